// `calldir status`: the last request's outcome, the control keys, the status
// lines, the waiting delta lists and what the next incremental request does.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/common/device_access.h"
#include "cli/common/io.h"

namespace calldir::cli {

struct StatusOptions {
  bool json = false;
  bool explain = false;  // each status line told as a sentence
};
void declareStatus(CLI::App& command, StatusOptions& options);

int runStatus(const StatusOptions& options, DeviceAccess& device, Io& io);

}  // namespace calldir::cli

// `calldir why NUMBER...`: what a call from each number shows now, and why,
// from every place that decides it: the store's labels, the resource list,
// each waiting delta list, what the next incremental request will do, the
// last request and the status lines that name the number; and, when it has
// no label, the nearest reading that would have one.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "cli/common/device_access.h"
#include "cli/common/io.h"

namespace calldir::cli {

struct WhyOptions {
  std::vector<std::string> numbers;  // read as `lookup` reads them
  std::string region;
  bool json = false;  // one object per number, in an array
};
void declareWhy(CLI::App& command, WhyOptions& options);

// Exit 0 when every number shows a label, 1 otherwise, 2 when a number
// cannot be read.
int runWhy(const WhyOptions& options, DeviceAccess& device, Io& io);

}  // namespace calldir::cli

// `calldir enable` and `calldir disable`: the user's switch for the
// extension; enabling starts a load, as the platform does.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/common/device_access.h"
#include "cli/common/io.h"
#include "cli/common/request.h"

namespace calldir::cli {

void declareEnable(CLI::App& command, ReloadOptions& options);
int runEnable(const ReloadOptions& options, DeviceAccess& device, Io& io);

struct DisableOptions {
  bool json = false;
};
void declareDisable(CLI::App& command, DisableOptions& options);
int runDisable(const DisableOptions& options, DeviceAccess& device, Io& io);

}  // namespace calldir::cli

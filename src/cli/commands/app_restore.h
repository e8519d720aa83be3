// `calldir app restore`: the containing application asks for a restore from
// zero.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/common/device_access.h"
#include "cli/common/io.h"
#include "cli/common/request.h"

namespace calldir::cli {

struct AppRestoreOptions {
  bool reload = false;  // then have the phone load
  ReloadOptions request;
};
void declareAppRestore(CLI::App& command, AppRestoreOptions& options);

// Sets the clear-all flag to "Y"; with `reload`, then has the phone load.
int runAppRestore(const AppRestoreOptions& options, DeviceAccess& device, Io& io);

}  // namespace calldir::cli

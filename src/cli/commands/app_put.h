// `calldir app put`: the containing application drops delta lists into the
// shared container.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli/common/device_access.h"
#include "cli/common/io.h"
#include "cli/common/request.h"

namespace calldir::cli {

struct AppPutOptions {
  std::string add_file;  // becomes callersAdd.json
  std::string del_file;  // becomes callersDel.json
  bool replace = false;  // replace a list that still waits for a request
  bool reload = false;
  ReloadOptions request;
};
void declareAppPut(CLI::App& command, AppPutOptions& options);

// Drops delta lists into the container; with `reload`, then has the phone
// load. A list that still waits for a request is not replaced without
// `replace` (exit 1): its changes would be lost.
int runAppPut(const AppPutOptions& options, DeviceAccess& device, Io& io);

}  // namespace calldir::cli

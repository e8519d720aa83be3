// `calldir reload`: one request, as the containing application's reload
// asks for it.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/common/device_access.h"
#include "cli/common/io.h"
#include "cli/common/request.h"

namespace calldir::cli {

void declareReload(CLI::App& command, ReloadOptions& options);

// Incremental once the store holds a completed load, complete before,
// unless --full or --incremental says. Exit 1 when the request fails.
int runReload(const ReloadOptions& options, DeviceAccess& device, Io& io);

}  // namespace calldir::cli

// `calldir paths`: where the parts of a device root are.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/common/device_access.h"
#include "cli/common/io.h"

namespace calldir::cli {

struct PathsOptions {
  bool json = false;
};
void declarePaths(CLI::App& command, PathsOptions& options);

// The paths root, container, settings, bundle, resources and store.
int runPaths(const PathsOptions& options, DeviceAccess& device, Io& io);

}  // namespace calldir::cli

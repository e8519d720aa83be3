// `calldir init`: making a device root for an app group.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli/common/io.h"
#include "device/device_root.h"

namespace calldir::cli {

struct InitOptions {
  std::string group = device::kDefaultGroup;
};
void declareInit(CLI::App& command, InitOptions& options);

// Creates the device root `root` for the app group, with its shared
// settings; running it again changes nothing, and a root made for another
// group is refused (exit 2).
int runInit(const InitOptions& options, const std::string& root, Io& io);

}  // namespace calldir::cli

// `calldir bundle put-resource`: installing the full caller list among the
// extension's resources.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli/common/device_access.h"
#include "cli/common/io.h"
#include "cli/common/list_install.h"

namespace calldir::cli {

struct PutResourceOptions {
  std::string file;
  InstallForm form = InstallForm::kAuto;
};
void declareBundlePutResource(CLI::App& command, PutResourceOptions& options);

// Installs FILE as the full caller list resource "callersAdd_Zero.json".
int runBundlePutResource(const PutResourceOptions& options, DeviceAccess& device, Io& io);

}  // namespace calldir::cli

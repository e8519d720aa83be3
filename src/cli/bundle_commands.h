// `calldir bundle put-resource`: installing the full caller list among the
// extension's resources.
#pragma once

#include <string>

#include "cli/io.h"
#include "cli/list_install.h"

namespace calldir::cli {

struct PutResourceOptions {
  std::string root;
  std::string file;
  InstallForm form = InstallForm::kAuto;
};

// Installs FILE as the full caller list resource "callersAdd_Zero.json".
int runBundlePutResource(const PutResourceOptions& options, Io& io);

}  // namespace calldir::cli

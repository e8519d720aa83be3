// `calldir bundle put-resource`: installing the full caller list among the
// extension's resources.
#pragma once

#include <string>

#include "cli/io.h"
#include "cli/list_install.h"

namespace calldir::cli {

// Installs FILE as the full caller list resource "callersAdd_Zero.json".
int runBundlePutResource(const std::string& root, const std::string& file, ListSource kind, Io& io);

}  // namespace calldir::cli

// `calldir init` and `calldir paths`: making a device root and finding its
// parts.
#pragma once

#include <string>

#include "cli/io.h"

namespace calldir::cli {

int runInit(const std::string& root, const std::string& group, Io& io);
int runPaths(const std::string& root, bool json, Io& io);

}  // namespace calldir::cli

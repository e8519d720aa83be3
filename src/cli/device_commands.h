// `calldir init` and `calldir paths`: making a device root and finding its
// parts.
#pragma once

#include <string>

#include "cli/io.h"

namespace calldir::cli {

struct InitOptions {
  std::string root;
  std::string group;
};
int runInit(const InitOptions& options, Io& io);

struct PathsOptions {
  std::string root;
  bool json = false;
};
int runPaths(const PathsOptions& options, Io& io);

}  // namespace calldir::cli

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

struct DeviceStateOptions {
  std::string root;
  bool damage = true;  // damage-store; false: reset
};
// `device damage-store`: every later request fails with 11, as on a phone
// whose call directory database is damaged. `device reset`: what the phone's
// reset of its settings does, the damage and every entry gone.
int runDeviceState(const DeviceStateOptions& options, Io& io);

}  // namespace calldir::cli

// How the telephony service starts an extension process for one request:
// the environment variables that describe the request and the descriptor
// numbers of the two pipes in the child. The service writes this contract,
// the extension host reads it; neither side spells it out on its own.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/result.h"

namespace calldir::wire {

// Descriptors of the extension process: it reads the service's answer from
// the first and writes its context operations to the second.
inline constexpr int kChildReadFd = 3;
inline constexpr int kChildWriteFd = 4;

// Environment variables through which the service describes the request.
inline constexpr const char* kRootVariable = "CALLDIR_DEVICE_ROOT";
inline constexpr const char* kRequestFdsVariable = "CALLDIR_REQUEST_FDS";           // "<read fd>,<write fd>"
inline constexpr const char* kIncrementalVariable = "CALLDIR_REQUEST_INCREMENTAL";  // "1" or "0"

struct LaunchRequest {
  std::string root;  // the device root
  bool incremental = false;
  int read_fd = kChildReadFd;
  int write_fd = kChildWriteFd;
};

// The environment of an extension process for `request`: the entries of
// `inherited` (a null-terminated array such as `environ`) less any request
// variables they hold, then this request's variables.
std::vector<std::string> launchEnvironment(char* const* inherited, const LaunchRequest& request);

// The request this process was started for, read from its environment. An
// invalid-argument error when the variables are missing or malformed (the
// process was not started by the service).
base::Result<LaunchRequest> readLaunchEnvironment();

}  // namespace calldir::wire

// The result of a fallible call at the tool and service boundary: ok, or a
// message for people that names what failed.
#pragma once

#include <string>
#include <utility>

namespace calldir::platform {

struct Status {
  bool ok = true;
  std::string message;
  static Status Ok() { return {}; }
  static Status Error(std::string message) { return {false, std::move(message)}; }
};

// "<what>: <strerror(errno_value)>".
Status errnoStatus(const std::string& what, int errno_value);

}  // namespace calldir::platform

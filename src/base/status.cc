#include "base/status.h"

#include <cstring>

namespace calldir::base {

Status Status::withContext(std::string_view context) const {
  if (ok()) return *this;
  return Status(kind_, std::string(context) + ": " + message_);
}

Status errnoStatus(std::string_view what, int errno_value) {
  return Status::IoError(std::string(what) + ": " + std::strerror(errno_value));
}

}  // namespace calldir::base

// A file descriptor that closes itself, and a write that sees a whole buffer
// through: the POSIX pieces that the file manager, the extension runner and
// the telephony service share.
#pragma once

#include <string_view>

namespace calldir::platform {

class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { reset(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Closes the descriptor held, if any, and holds `fd` instead.
  void reset(int fd = -1);

 private:
  int fd_ = -1;
};

// Writes all of `data` to `fd`, retrying interrupted and partial writes.
// False when a write fails (the rest is then not written).
bool writeFully(int fd, std::string_view data);

}  // namespace calldir::platform

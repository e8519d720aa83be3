// A file descriptor that closes itself, and a write that sees a whole buffer
// through: the POSIX pieces that the file manager, the extension host and
// the telephony service share.
#pragma once

#include <string_view>

namespace calldir::base {

class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { reset(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Closes the descriptor held, if any, and holds `fd` instead.
  void reset(int fd = -1);
  // Gives up the descriptor without closing it.
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_ = -1;
};

// Writes all of `data` to `fd`, retrying interrupted and partial writes.
// False when a write fails (the rest is then not written; errno says why).
bool writeFully(int fd, std::string_view data);

}  // namespace calldir::base

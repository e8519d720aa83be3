#include "base/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/fd.h"
#include "base/system.h"

namespace calldir::base {

namespace {

std::string describeFileType(mode_t mode) {
  if (S_ISDIR(mode)) return "is a directory";
  if (S_ISFIFO(mode)) return "is a FIFO, not a regular file";
  if (S_ISSOCK(mode)) return "is a socket, not a regular file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a regular file";
  return "is not a regular file";
}

Status tooLarge(std::string_view name, std::uint64_t max_bytes) {
  return Status::IoError(std::string(name) + " is larger than " + std::to_string(max_bytes) + " bytes");
}

}  // namespace

Result<std::string> readDescriptor(int fd, std::string_view name, std::uint64_t max_bytes) {
  std::string out;
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errnoStatus("cannot read " + std::string(name), errno);
  if (S_ISREG(st.st_mode)) {
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size > max_bytes) return tooLarge(name, max_bytes);
    // Room for a parser's padding later on, so the buffer never moves again.
    out.reserve(static_cast<std::size_t>(size) + 64);
    system::adviseHugePages(out.data(), out.capacity());
    out.resize(static_cast<std::size_t>(size));
    std::size_t got = 0;
    while (got < out.size()) {
      const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return errnoStatus("cannot read " + std::string(name), errno);
      if (n == 0) break;
      got += static_cast<std::size_t>(n);
    }
    out.resize(got);
  }
  // The rest: all of a pipe, or what a file gained since fstat.
  char chunk[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errnoStatus("cannot read " + std::string(name), errno);
    if (n == 0) break;
    if (out.size() + static_cast<std::size_t>(n) > max_bytes) return tooLarge(name, max_bytes);
    out.append(chunk, static_cast<std::size_t>(n));
  }
  return out;
}

Result<std::string> readFile(const std::string& path, const ReadOptions& options) {
  const int flags = O_RDONLY | O_CLOEXEC | (options.regular_only ? O_NONBLOCK : 0) |
                    (options.follow_links ? 0 : O_NOFOLLOW);
  FileDescriptor fd(::open(path.c_str(), flags));
  if (!fd.ok()) {
    if (errno == ELOOP && !options.follow_links) {
      return Status::IoError(path + " is a symbolic link, which is not followed here");
    }
    return errnoStatus("cannot read " + path, errno);
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return errnoStatus("cannot read " + path, errno);
  if (S_ISDIR(st.st_mode) || (options.regular_only && !S_ISREG(st.st_mode))) {
    return Status::IoError(path + " " + describeFileType(st.st_mode));
  }
  // Back to blocking reads: the descriptor is a regular file.
  if (options.regular_only) ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  return readDescriptor(fd.get(), path, options.max_bytes);
}

Result<bool> pathExists(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) return true;
  if (errno == ENOENT || errno == ENOTDIR) return false;
  return errnoStatus("cannot look for " + path, errno);
}

Result<FileReplacement> FileReplacement::create(const std::string& path) {
  FileReplacement replacement;
  replacement.path_ = path;
  // mkstemp creates the file exclusively (O_EXCL), so a planted link at its
  // name can never be written through.
  replacement.temporary_ = path + ".calldir-XXXXXX";
  replacement.fd_.reset(::mkostemp(replacement.temporary_.data(), O_CLOEXEC));
  if (!replacement.fd_.ok()) return errnoStatus("cannot write " + path, errno);
  if (::fchmod(replacement.fd_.get(), 0644) != 0) return replacement.abandon(errno);
  return replacement;
}

FileReplacement::~FileReplacement() {
  if (!temporary_.empty()) {
    fd_.reset();
    ::unlink(temporary_.c_str());
  }
}

Status FileReplacement::abandon(int error) {
  fd_.reset();
  ::unlink(temporary_.c_str());
  temporary_.clear();
  return errnoStatus("cannot write " + path_, error);
}

Status FileReplacement::write(std::string_view data) {
  if (temporary_.empty()) return Status::IoError("cannot write " + path_ + ": it was given up");
  if (!writeFully(fd_.get(), data)) return abandon(errno != 0 ? errno : EIO);
  return Status::Ok();
}

Status FileReplacement::commit() {
  if (temporary_.empty()) return Status::IoError("cannot write " + path_ + ": it was given up");
  if (system::syncData(fd_.get()) != 0) return abandon(errno);
  if (::close(fd_.release()) != 0) return abandon(errno);
  if (::rename(temporary_.c_str(), path_.c_str()) != 0) return abandon(errno);
  temporary_.clear();
  // Make the rename itself durable.
  const std::size_t slash = path_.rfind('/');
  const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path_.substr(0, slash);
  FileDescriptor dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.ok()) ::fsync(dir.get());
  return Status::Ok();
}

Status replaceFile(const std::string& path, std::string_view data) {
  auto replacement = FileReplacement::create(path);
  if (!replacement.ok()) return replacement.status();
  if (Status s = replacement->write(data); !s.ok()) return s;
  return replacement->commit();
}

}  // namespace calldir::base

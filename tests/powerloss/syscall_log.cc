// A preloaded library that records, in order, every call that changes a file
// under one folder: what was written where, truncations, syncs, names made,
// renamed and removed. The power-cut model (power_cut.h) rebuilds from the
// record what a cut at any point would have left on disk.
//
//   LD_PRELOAD=libcalldir_syscall_log.so CALLDIR_SYSCALL_LOG=LOG CALLDIR_SYSCALL_ROOT=DIR cmd
//
// Every process started with it appends to LOG (children inherit it), one
// record per call, each in one write to a file opened for appending. Only
// paths under DIR are recorded, and never SQLite's shared-memory files, which
// nothing syncs and SQLite rebuilds after a cut. Linux with glibc only: a
// test tool, never part of calldir.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "powerloss/syscall_record.h"

namespace {

using calldir::powerloss::Op;

struct Tracked {
  ino_t ino = 0;
  bool directory = false;
  std::string path;
};

template <typename F>
F real(const char* name) {
  return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

class Recorder {
 public:
  static Recorder& get() {
    static Recorder* recorder = new Recorder();  // never destroyed: used until the process ends
    return *recorder;
  }

  bool active() const { return !root_.empty(); }

  std::string absolute(int dirfd, const char* path) const {
    if (path == nullptr) return {};
    if (path[0] == '/') return path;
    std::string base;
    if (dirfd == AT_FDCWD) {
      char cwd[4096];
      if (::getcwd(cwd, sizeof cwd) == nullptr) return {};
      base = cwd;
    } else {
      std::lock_guard lock(mutex_);
      auto it = fds_.find(dirfd);
      if (it == fds_.end()) return {};
      base = it->second.path;
    }
    return base + "/" + path;
  }

  bool watched(const std::string& path) const {
    if (!active() || path.size() < root_.size() || path.compare(0, root_.size(), root_) != 0) return false;
    if (path.size() > root_.size() && path[root_.size()] != '/') return false;
    return !(path.size() >= 4 && path.compare(path.size() - 4, 4, "-shm") == 0);
  }

  void opened(int fd, const std::string& path, bool existed, int flags) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) return;
    const bool directory = S_ISDIR(st.st_mode);
    if (!directory && !S_ISREG(st.st_mode)) return;
    {
      std::lock_guard lock(mutex_);
      fds_[fd] = Tracked{st.st_ino, directory, path};
    }
    if (!existed) record(Op::kCreate, st.st_ino, 0, path);
    if (existed && !directory && (flags & O_TRUNC)) record(Op::kTruncate, st.st_ino, 0, path);
  }

  std::optional<Tracked> tracked(int fd) const {
    std::lock_guard lock(mutex_);
    auto it = fds_.find(fd);
    if (it == fds_.end()) return std::nullopt;
    return it->second;
  }

  void closed(int fd) {
    std::lock_guard lock(mutex_);
    fds_.erase(fd);
  }

  void record(Op op, std::uint64_t ino, std::int64_t offset, const std::string& path,
              const std::string& other = {}, const void* data = nullptr, std::size_t size = 0) {
    std::string buffer = calldir::powerloss::recordHeader(op, ino, offset, size, path, other);
    buffer.append(static_cast<const char*>(data), data != nullptr ? size : 0);
    std::lock_guard lock(mutex_);
    if (log_ < 0) {
      log_ = real_open_(log_path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
      if (log_ < 0) std::abort();
    }
    if (real_write_(log_, buffer.data(), buffer.size()) != static_cast<ssize_t>(buffer.size())) std::abort();
  }

 private:
  Recorder() {
    const char* log = std::getenv("CALLDIR_SYSCALL_LOG");
    const char* root = std::getenv("CALLDIR_SYSCALL_ROOT");
    if (log != nullptr && root != nullptr && root[0] == '/') {
      log_path_ = log;
      root_ = root;
      while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
    }
    real_open_ = real<int (*)(const char*, int, ...)>("open");
    real_write_ = real<ssize_t (*)(int, const void*, size_t)>("write");
  }

  std::string log_path_;
  std::string root_;
  int log_ = -1;
  int (*real_open_)(const char*, int, ...) = nullptr;
  ssize_t (*real_write_)(int, const void*, size_t) = nullptr;
  mutable std::mutex mutex_;
  std::unordered_map<int, Tracked> fds_;
};

bool exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

int openWith(const char* name, int dirfd, const char* path, int flags, mode_t mode) {
  Recorder& r = Recorder::get();
  const std::string full = r.active() ? r.absolute(dirfd, path) : std::string();
  const bool watched = r.watched(full);
  const bool existed = watched && exists(full);
  int fd;
  if (std::strncmp(name, "openat", 6) == 0) {
    static auto at = real<int (*)(int, const char*, int, ...)>("openat");
    fd = at(dirfd, path, flags, mode);
  } else {
    static auto plain = real<int (*)(const char*, int, ...)>("open");
    fd = plain(path, flags, mode);
  }
  if (watched && fd >= 0) {
    const int saved = errno;
    r.opened(fd, full, existed, flags);
    errno = saved;
  }
  return fd;
}

mode_t modeOf(int flags, va_list args) {
  return (flags & O_CREAT) || (flags & __O_TMPFILE) == __O_TMPFILE ? static_cast<mode_t>(va_arg(args, int))
                                                                   : 0;
}

void recordWrite(int fd, std::int64_t offset, const void* data, ssize_t written) {
  if (written <= 0) return;
  auto t = Recorder::get().tracked(fd);
  if (!t || t->directory) return;
  Recorder::get().record(Op::kWrite, t->ino, offset, t->path, {}, data, static_cast<std::size_t>(written));
}

// The offset a write without one goes to.
std::int64_t currentOffset(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0 && (flags & O_APPEND)) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? st.st_size : 0;
  }
  return ::lseek(fd, 0, SEEK_CUR);
}

void recordSync(int fd) {
  auto t = Recorder::get().tracked(fd);
  if (!t) return;
  // Which program synced is told too: calldir's own syncs are told from its
  // extension's and the service's.
  Recorder::get().record(t->directory ? Op::kSyncDirectory : Op::kSync, t->ino, 0, t->path,
                         program_invocation_short_name);
}

void recordName(Op op, int dirfd, const char* path, int other_dirfd = AT_FDCWD, const char* other = nullptr) {
  Recorder& r = Recorder::get();
  if (!r.active()) return;
  const std::string a = r.absolute(dirfd, path);
  const std::string b = other != nullptr ? r.absolute(other_dirfd, other) : std::string();
  if (r.watched(a) || (other != nullptr && r.watched(b))) r.record(op, 0, 0, a, b);
}

// mkstemp and its kin open the file inside the C library, past the open
// above: the file they made is recorded here.
int madeTemporary(int fd, const char* pattern) {
  Recorder& r = Recorder::get();
  if (fd >= 0 && r.active()) {
    const std::string full = r.absolute(AT_FDCWD, pattern);
    if (r.watched(full)) r.opened(fd, full, false, 0);
  }
  return fd;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = modeOf(flags, args);
  va_end(args);
  return openWith("open", AT_FDCWD, path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = modeOf(flags, args);
  va_end(args);
  return openWith("open", AT_FDCWD, path, flags, mode);
}

int __open_2(const char* path, int flags) { return openWith("open", AT_FDCWD, path, flags, 0); }
int __open64_2(const char* path, int flags) { return openWith("open", AT_FDCWD, path, flags, 0); }

int openat(int dirfd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = modeOf(flags, args);
  va_end(args);
  return openWith("openat", dirfd, path, flags, mode);
}

int openat64(int dirfd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = modeOf(flags, args);
  va_end(args);
  return openWith("openat", dirfd, path, flags, mode);
}

int __openat_2(int dirfd, const char* path, int flags) { return openWith("openat", dirfd, path, flags, 0); }
int __openat64_2(int dirfd, const char* path, int flags) { return openWith("openat", dirfd, path, flags, 0); }

int mkstemp(char* pattern) {
  static auto next = real<int (*)(char*)>("mkstemp");
  return madeTemporary(next(pattern), pattern);
}

int mkostemp(char* pattern, int flags) {
  static auto next = real<int (*)(char*, int)>("mkostemp");
  return madeTemporary(next(pattern, flags), pattern);
}

int close(int fd) {
  static auto next = real<int (*)(int)>("close");
  Recorder::get().closed(fd);
  return next(fd);
}

ssize_t write(int fd, const void* data, size_t size) {
  static auto next = real<ssize_t (*)(int, const void*, size_t)>("write");
  const bool tracked = Recorder::get().tracked(fd).has_value();
  const std::int64_t offset = tracked ? currentOffset(fd) : 0;
  const ssize_t n = next(fd, data, size);
  if (tracked) recordWrite(fd, offset, data, n);
  return n;
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) {
  static auto next = real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
  const ssize_t n = next(fd, data, size, offset);
  recordWrite(fd, offset, data, n);
  return n;
}

ssize_t pwrite64(int fd, const void* data, size_t size, off_t offset) {
  static auto next = real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite64");
  const ssize_t n = next(fd, data, size, offset);
  recordWrite(fd, offset, data, n);
  return n;
}

ssize_t writev(int fd, const struct iovec* iov, int count) {
  static auto next = real<ssize_t (*)(int, const struct iovec*, int)>("writev");
  const bool tracked = Recorder::get().tracked(fd).has_value();
  const std::int64_t offset = tracked ? currentOffset(fd) : 0;
  const ssize_t n = next(fd, iov, count);
  if (tracked && n > 0) {
    std::string joined;
    for (int i = 0; i < count; ++i) joined.append(static_cast<const char*>(iov[i].iov_base), iov[i].iov_len);
    recordWrite(fd, offset, joined.data(), n);
  }
  return n;
}

ssize_t copy_file_range(int in, off64_t* in_offset, int out, off64_t* out_offset, size_t size,
                        unsigned flags) {
  static auto next = real<ssize_t (*)(int, off64_t*, int, off64_t*, size_t, unsigned)>("copy_file_range");
  const bool tracked = Recorder::get().tracked(out).has_value();
  const std::int64_t offset = !tracked ? 0 : out_offset != nullptr ? *out_offset : currentOffset(out);
  const std::int64_t from = !tracked ? 0 : in_offset != nullptr ? *in_offset : ::lseek(in, 0, SEEK_CUR);
  const ssize_t n = next(in, in_offset, out, out_offset, size, flags);
  if (tracked && n > 0) {
    // What was copied, read back from the source: the target may be open
    // for writing only.
    std::string copied(static_cast<std::size_t>(n), '\0');
    if (::pread(in, copied.data(), copied.size(), from) != n) std::abort();
    recordWrite(out, offset, copied.data(), n);
  }
  return n;
}

int ftruncate(int fd, off_t size) {
  static auto next = real<int (*)(int, off_t)>("ftruncate");
  const int rc = next(fd, size);
  auto t = Recorder::get().tracked(fd);
  if (rc == 0 && t && !t->directory) Recorder::get().record(Op::kTruncate, t->ino, size, t->path);
  return rc;
}

int ftruncate64(int fd, off_t size) {
  static auto next = real<int (*)(int, off_t)>("ftruncate64");
  const int rc = next(fd, size);
  auto t = Recorder::get().tracked(fd);
  if (rc == 0 && t && !t->directory) Recorder::get().record(Op::kTruncate, t->ino, size, t->path);
  return rc;
}

int fsync(int fd) {
  static auto next = real<int (*)(int)>("fsync");
  const int rc = next(fd);
  if (rc == 0) recordSync(fd);
  return rc;
}

int fdatasync(int fd) {
  static auto next = real<int (*)(int)>("fdatasync");
  const int rc = next(fd);
  if (rc == 0) recordSync(fd);
  return rc;
}

int rename(const char* from, const char* to) {
  static auto next = real<int (*)(const char*, const char*)>("rename");
  const int rc = next(from, to);
  if (rc == 0) recordName(Op::kRename, AT_FDCWD, from, AT_FDCWD, to);
  return rc;
}

int renameat(int from_dir, const char* from, int to_dir, const char* to) {
  static auto next = real<int (*)(int, const char*, int, const char*)>("renameat");
  const int rc = next(from_dir, from, to_dir, to);
  if (rc == 0) recordName(Op::kRename, from_dir, from, to_dir, to);
  return rc;
}

int unlink(const char* path) {
  static auto next = real<int (*)(const char*)>("unlink");
  const int rc = next(path);
  if (rc == 0) recordName(Op::kRemove, AT_FDCWD, path);
  return rc;
}

int unlinkat(int dirfd, const char* path, int flags) {
  static auto next = real<int (*)(int, const char*, int)>("unlinkat");
  const int rc = next(dirfd, path, flags);
  if (rc == 0) recordName(Op::kRemove, dirfd, path);
  return rc;
}

int rmdir(const char* path) {
  static auto next = real<int (*)(const char*)>("rmdir");
  const int rc = next(path);
  if (rc == 0) recordName(Op::kRemove, AT_FDCWD, path);
  return rc;
}

int mkdir(const char* path, mode_t mode) {
  static auto next = real<int (*)(const char*, mode_t)>("mkdir");
  const int rc = next(path, mode);
  if (rc == 0) recordName(Op::kMakeDirectory, AT_FDCWD, path);
  return rc;
}

}  // extern "C"

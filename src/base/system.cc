#include "base/system.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <vector>

#include "base/file_io.h"

#if defined(__linux__)
#include <sys/prctl.h>
#endif
#if defined(__FreeBSD__)
#include <sys/sysctl.h>
#endif
#if defined(__APPLE__)
#include <libproc.h>
#include <mach-o/dyld.h>
#endif

// Linux's own calls, unless the build is to take the POSIX roads.
#if defined(__linux__) && !defined(CALLDIR_PORTABLE)
#define CALLDIR_LINUX_CALLS 1
#endif

namespace calldir::base::system {

bool closeOnExecPipe(int fds[2]) {
#if defined(CALLDIR_LINUX_CALLS)
  return ::pipe2(fds, O_CLOEXEC) == 0;
#else
  if (::pipe(fds) != 0) return false;
  for (int i = 0; i < 2; ++i) {
    if (::fcntl(fds[i], F_SETFD, FD_CLOEXEC) != 0) {
      const int saved = errno;
      ::close(fds[0]);
      ::close(fds[1]);
      errno = saved;
      return false;
    }
  }
  return true;
#endif
}

void killWithParent() {
#if defined(CALLDIR_LINUX_CALLS)
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
}

void discardPendingSignal(const sigset_t& pipe_signal) {
#if defined(CALLDIR_LINUX_CALLS)
  const timespec no_wait{0, 0};
  while (::sigtimedwait(&pipe_signal, nullptr, &no_wait) > 0) {
  }
#else
  sigset_t pending;
  int taken = 0;
  while (::sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1) {
    if (::sigwait(&pipe_signal, &taken) != 0) break;  // pending, so it returns at once
  }
#endif
}

std::int64_t peakResidentBytes(const rusage& usage) {
#if defined(__APPLE__)
  return static_cast<std::int64_t>(usage.ru_maxrss);
#else
  return static_cast<std::int64_t>(usage.ru_maxrss) * 1024;
#endif
}

bool limitsAddressSpace() {
  // The portable build watches instead only where it can read the memory.
#if defined(__APPLE__) || (defined(CALLDIR_PORTABLE) && defined(__linux__))
  return false;
#else
  return true;
#endif
}

std::optional<std::int64_t> residentBytesOf(pid_t pid) {
#if defined(__APPLE__)
  proc_taskinfo info{};
  if (::proc_pidinfo(pid, PROC_PIDTASKINFO, 0, &info, sizeof info) != static_cast<int>(sizeof info)) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(info.pti_resident_size);
#elif defined(__linux__)
  // The second field of statm is the resident size in pages; Linux has no
  // other way to read another process's, in either build.
  const auto statm = readFile("/proc/" + std::to_string(pid) + "/statm");
  if (!statm.ok()) return std::nullopt;
  const std::size_t space = statm->find(' ');
  if (space == std::string::npos) return std::nullopt;
  const char* first = statm->data() + space + 1;
  const char* last = statm->data() + statm->size();
  std::int64_t pages = 0;
  const auto [end, error] = std::from_chars(first, last, pages);
  if (error != std::errc() || end == first) return std::nullopt;
  return pages * static_cast<std::int64_t>(::sysconf(_SC_PAGESIZE));
#else
  (void)pid;
  return std::nullopt;
#endif
}

std::string executablePath() {
#if defined(__APPLE__)
  std::uint32_t size = 0;
  _NSGetExecutablePath(nullptr, &size);
  std::vector<char> path(size + 1, '\0');
  if (_NSGetExecutablePath(path.data(), &size) != 0) return {};
  return path.data();
#elif defined(__FreeBSD__)
  int name[] = {CTL_KERN, KERN_PROC, KERN_PROC_PATHNAME, -1};
  std::vector<char> path(4096, '\0');
  std::size_t size = path.size();
  if (::sysctl(name, 4, path.data(), &size, nullptr, 0) != 0) return {};
  return path.data();
#elif defined(__linux__)
  // No POSIX call tells it; this is Linux's, in a portable build too.
  std::vector<char> path(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  return n > 0 ? std::string(path.data(), static_cast<std::size_t>(n)) : std::string();
#else
  return {};
#endif
}

Status copyRest(int in, int out, const std::string& what) {
#if defined(CALLDIR_LINUX_CALLS)
  for (;;) {
    const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP)) break;  // then as below
    if (n < 0) return errnoStatus("cannot copy " + what, errno);
    if (n == 0) return Status::Ok();
  }
#endif
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errnoStatus("cannot copy " + what, errno);
    if (n == 0) return Status::Ok();
    if (!writeFully(out, std::string_view(buffer.data(), static_cast<std::size_t>(n)))) {
      return errnoStatus("cannot copy " + what, errno);
    }
  }
}

int syncData(int fd) {
#if defined(__APPLE__)
  return ::fcntl(fd, F_FULLFSYNC) == 0 ? 0 : ::fsync(fd);
#elif defined(CALLDIR_LINUX_CALLS)
  return ::fdatasync(fd);
#else
  return ::fsync(fd);
#endif
}

void adviseHugePages(void* data, std::size_t size) {
#if defined(MADV_HUGEPAGE) && !defined(CALLDIR_PORTABLE)
  constexpr std::uintptr_t kHuge = 2u << 20;
  if (size < 4 * kHuge) return;
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kHuge - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace calldir::base::system

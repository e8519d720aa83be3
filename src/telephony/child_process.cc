#include "telephony/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include "base/system.h"

namespace calldir::telephony {

base::Result<ChildProcess> ChildProcess::start(const Launch& launch) {
  ChildProcess child;
  int to_parent[2];
  int to_child[2];
  if (!base::system::closeOnExecPipe(to_parent)) return base::errnoStatus("cannot make a pipe", errno);
  child.from_child_.reset(to_parent[0]);
  base::FileDescriptor child_write(to_parent[1]);
  if (!base::system::closeOnExecPipe(to_child)) return base::errnoStatus("cannot make a pipe", errno);
  base::FileDescriptor child_read(to_child[0]);
  child.to_child_.reset(to_child[1]);

  // Everything the child needs is prepared before fork: only async-signal-safe
  // calls happen between fork and exec.
  std::vector<std::string> environment = launch.environment;
  std::vector<char*> envp;
  for (auto& s : environment) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::string path = launch.binary;
  char* argv[] = {path.data(), nullptr};
  const bool limit_address_space = launch.memory_limit_bytes && base::system::limitsAddressSpace();
  rlimit memory{};
  if (limit_address_space) memory.rlim_cur = memory.rlim_max = *launch.memory_limit_bytes;
  if (launch.memory_limit_bytes && !limit_address_space) {
    child.watched_limit_ = static_cast<std::int64_t>(
        std::min<std::uint64_t>(*launch.memory_limit_bytes, std::numeric_limits<std::int64_t>::max()));
  }

  const pid_t parent = ::getpid();
  child.pid_ = ::fork();
  if (child.pid_ < 0) return base::errnoStatus("cannot start the process " + launch.binary, errno);
  if (child.pid_ == 0) {
    base::system::killWithParent();
    if (::getppid() != parent) ::_exit(127);
    // Move both ends out of the way first: either may already sit at a
    // descriptor the child is to have.
    const int r = ::fcntl(child_read.get(), F_DUPFD_CLOEXEC, 10);
    const int w = ::fcntl(child_write.get(), F_DUPFD_CLOEXEC, 10);
    if (r < 0 || w < 0 || ::dup2(r, launch.read_fd) < 0 || ::dup2(w, launch.write_fd) < 0) ::_exit(127);
    if (limit_address_space) ::setrlimit(RLIMIT_AS, &memory);
    ::execve(argv[0], argv, envp.data());
    ::_exit(127);
  }
  return child;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      reaped_(other.reaped_),
      from_child_(std::move(other.from_child_)),
      to_child_(std::move(other.to_child_)),
      status_(other.status_),
      usage_(other.usage_),
      watched_limit_(other.watched_limit_),
      next_memory_look_(other.next_memory_look_),
      over_memory_limit_(other.over_memory_limit_) {}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) kill();
}

namespace {

// How often a watched memory limit is looked at: a child allocating fast may
// pass it by what it allocates in this time.
constexpr std::int64_t kMemoryWatchMilliseconds = 10;

}  // namespace

bool ChildProcess::killIfOverMemoryLimit() {
  if (!watched_limit_ || reaped_) return false;
  const auto now = Clock::now();
  if (now < next_memory_look_) return false;
  next_memory_look_ = now + std::chrono::milliseconds(kMemoryWatchMilliseconds);
  const auto resident = base::system::residentBytesOf(pid_);
  if (!resident || *resident <= *watched_limit_) return false;
  over_memory_limit_ = true;
  kill();
  return true;
}

std::optional<std::size_t> ChildProcess::read(std::vector<char>& buffer, Clock::time_point deadline) {
  for (;;) {
    if (killIfOverMemoryLimit()) return 0;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return std::nullopt;
    if (watched_limit_) left = std::min<std::int64_t>(left, kMemoryWatchMilliseconds);
    pollfd p{from_child_.get(), POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;  // interrupted, or the deadline above ends it
    const ssize_t n = ::read(from_child_.get(), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    return n < 0 ? 0 : static_cast<std::size_t>(n);
  }
}

void ChildProcess::sendAndClose(std::string_view data) {
  // The write fails with EPIPE, instead of SIGPIPE ending this process,
  // when the child is gone; a SIGPIPE raised meanwhile is taken back.
  sigset_t pipe_signal;
  sigset_t previous;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_signal, &previous);
  (void)base::writeFully(to_child_.get(), data);
  base::system::discardPendingSignal(pipe_signal);
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  to_child_.reset();
}

void ChildProcess::awaitExit(Clock::time_point deadline) {
  char chunk[1 << 16];
  while (!reaped_ && Clock::now() < deadline) {
    if (::wait4(pid_, &status_, WNOHANG, &usage_) == pid_) {
      reaped_ = true;
      return;
    }
    if (killIfOverMemoryLimit()) return;
    pollfd p{from_child_.get(), POLLIN, 0};
    if (::poll(&p, 1, 2) > 0 && ::read(from_child_.get(), chunk, sizeof chunk) == 0) {
      // It closed its end: only its exit is left to wait for, and poll on
      // no descriptor just waits out its 2 ms.
      from_child_.reset();
    }
  }
  kill();
}

void ChildProcess::kill() {
  if (reaped_) return;
  ::kill(pid_, SIGKILL);
  while (::wait4(pid_, &status_, 0, &usage_) < 0 && errno == EINTR) {
  }
  reaped_ = true;
}

bool ChildProcess::startFailed() const { return WIFEXITED(status_) && WEXITSTATUS(status_) == 127; }

std::optional<std::string> ChildProcess::crash() const {
  if (!WIFSIGNALED(status_) || WTERMSIG(status_) == SIGKILL) return std::nullopt;
  return std::string(strsignal(WTERMSIG(status_)));
}

double ChildProcess::cpuSeconds() const {
  return static_cast<double>(usage_.ru_utime.tv_sec + usage_.ru_stime.tv_sec) +
         static_cast<double>(usage_.ru_utime.tv_usec + usage_.ru_stime.tv_usec) / 1e6;
}

std::int64_t ChildProcess::peakBytes() const { return base::system::peakResidentBytes(usage_); }

}  // namespace calldir::telephony

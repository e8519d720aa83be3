// A child process the service starts and talks to over two pipes: started
// with limits, ended with its parent, read until a deadline, answered, and
// reaped with what it used. It knows nothing of call directories.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/fd.h"
#include "base/result.h"

namespace calldir::telephony {

class ChildProcess {
 public:
  using Clock = std::chrono::steady_clock;

  struct Launch {
    std::string binary;
    std::vector<std::string> environment;  // NAME=value, the whole environment
    int read_fd = 3;                       // the child reads what the parent sends here
    int write_fd = 4;                      // and writes what it sends to the parent here
    // A limit on the child's memory: its address space where the system
    // enforces that, else its resident memory, watched while it is read.
    std::optional<std::uint64_t> memory_limit_bytes;
  };

  // Starts the child. It is killed when this process dies, so that nothing
  // it does afterwards happens unwatched.
  static base::Result<ChildProcess> start(const Launch& launch);

  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&&) = delete;
  ChildProcess(const ChildProcess&) = delete;
  // A child still running is killed and reaped.
  ~ChildProcess();

  // Reads what the child sent into `buffer`: the bytes read, 0 once it
  // closed its end (or was killed over its watched memory limit), no value
  // when `deadline` passed first.
  std::optional<std::size_t> read(std::vector<char>& buffer, Clock::time_point deadline);

  // Sends `data` and closes the child's input. A child that is gone is no
  // error: it simply does not hear it.
  void sendAndClose(std::string_view data);

  // Waits until the child exits or `deadline` passes, and kills it then;
  // returns at once for a child already reaped.
  // What it still sends is read and dropped, so that it never blocks on a
  // full pipe.
  void awaitExit(Clock::time_point deadline);

  // Kills the child and waits for it; nothing once it is reaped.
  void kill();

  // Once reaped: how it ended, and what it used.
  int waitStatus() const { return status_; }
  bool startFailed() const;  // it exited with 127: the program could not be run
  // The signal that ended it, named, when one other than SIGKILL did: a crash.
  std::optional<std::string> crash() const;
  // Whether it was killed because its resident memory went over the limit.
  bool killedOverMemoryLimit() const { return over_memory_limit_; }
  double cpuSeconds() const;
  std::int64_t peakBytes() const;

 private:
  ChildProcess() = default;
  // Kills the child when its resident memory is over the watched limit.
  bool killIfOverMemoryLimit();

  pid_t pid_ = -1;
  bool reaped_ = false;
  base::FileDescriptor from_child_;
  base::FileDescriptor to_child_;
  int status_ = 0;
  rusage usage_{};
  std::optional<std::int64_t> watched_limit_;
  Clock::time_point next_memory_look_{};  // the watch looks at most this often
  bool over_memory_limit_ = false;
};

}  // namespace calldir::telephony

#include "telephony/request_driver.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "platform/call_directory.h"
#include "platform/extension_runner.h"
#include "platform/fd.h"
#include "telephony/call_directory_store.h"
#include "telephony/request_protocol.h"

extern char** environ;

namespace calldir::telephony {

namespace {

using Clock = std::chrono::steady_clock;

RequestResult failed(RequestResult result, int code, std::string reason) {
  result.completed = false;
  result.code = code;
  result.reason = std::move(reason);
  return result;
}

// The checks the platform makes on a request's operations, and their effect
// on the store.
class RequestChecker {
 public:
  RequestChecker(CallDirectoryStore& store, bool incremental, std::int64_t cap, std::int64_t entries_before,
                 RequestResult& result)
      : store_(store), incremental_(incremental), cap_(cap), entries_(entries_before), result_(result) {}

  // Applies one operation; returns false once the request has failed.
  bool apply(const OperationMessage& m) {
    if (failure_) return false;
    switch (m.operation) {
      case Operation::kSetDelegate:
        return true;
      case Operation::kComplete:
        return flushAdds();
      case Operation::kIsIncremental:
        asked_incremental_ = true;
        return true;
      case Operation::kRemoveAll:
        if (!flushAdds() || !removalAllowed()) return false;
        store_.removeAll();
        result_.removed_all = true;
        entries_ = 0;
        return true;
      case Operation::kRemove:
        if (!flushAdds() || !removalAllowed()) return false;
        {
          const std::int64_t changed = store_.remove(m.number);
          result_.removed += changed;
          entries_ -= changed;
        }
        return true;
      case Operation::kAdd:
        if (!ascending(last_identification_, m.number)) return false;
        store_.add(m.number, m.label);
        // Counted for certain when written; before that, each addition is
        // taken to add one entry, and the count is made exact near the cap.
        ++gathered_;
        if (entries_ + gathered_ > cap_) return flushAdds();
        return true;
      case Operation::kAddBlocking:
        if (!flushAdds() || !ascending(last_blocking_, m.number)) return false;
        store_.addBlocking(m.number);
        return true;
      case Operation::kRemoveBlocking:
        if (!flushAdds() || !removalAllowed()) return false;
        store_.removeBlocking(m.number);
        return true;
    }
    return fail(platform::kErrorLoadingInterrupted, "loading interrupted: unknown operation");
  }

  // Writes the gathered additions and checks the cap on the exact count.
  bool flushAdds() {
    if (failure_) return false;
    const std::int64_t changed = store_.flushAdds();
    gathered_ = 0;
    result_.added += changed;
    entries_ += changed;
    if (entries_ > cap_) {
      return fail(platform::kErrorMaximumEntriesExceeded,
                  "maximum entries exceeded: more than " + std::to_string(cap_) + " entries");
    }
    return true;
  }

  bool fail(int code, std::string reason) {
    if (!failure_) failure_ = std::make_pair(code, std::move(reason));
    return false;
  }
  const std::optional<std::pair<int, std::string>>& failure() const { return failure_; }

 private:
  bool removalAllowed() {
    if (!incremental_) {
      return fail(platform::kErrorUnexpectedIncrementalRemoval,
                  "unexpected incremental removal: a complete request cannot remove entries");
    }
    if (!asked_incremental_) {
      return fail(
          platform::kErrorUnexpectedIncrementalRemoval,
          "unexpected incremental removal: the extension removed entries before asking isIncremental");
    }
    return true;
  }

  bool ascending(std::optional<std::int64_t>& last, std::int64_t number) {
    if (last && number < *last) {
      return fail(platform::kErrorEntriesOutOfOrder,
                  "entries out of order: " + std::to_string(number) + " after " + std::to_string(*last));
    }
    if (last && number == *last) {
      return fail(platform::kErrorDuplicateEntries, "duplicate entries: " + std::to_string(number));
    }
    last = number;
    return true;
  }

  CallDirectoryStore& store_;
  bool incremental_;
  std::int64_t cap_;
  std::int64_t entries_;
  std::int64_t gathered_ = 0;  // additions not yet written
  RequestResult& result_;
  bool asked_incremental_ = false;
  std::optional<std::int64_t> last_identification_;
  std::optional<std::int64_t> last_blocking_;
  std::optional<std::pair<int, std::string>> failure_;
};

// Writes to a pipe whose reader may have gone: the write then fails with
// EPIPE instead of the SIGPIPE ending this process.
void writeToPipe(int fd, std::string_view data) {
  sigset_t pipe_signal;
  sigset_t previous;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_signal, &previous);
  (void)platform::writeFully(fd, data);
  const timespec no_wait{0, 0};
  while (sigtimedwait(&pipe_signal, nullptr, &no_wait) > 0) {
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

}  // namespace

std::string defaultExtensionBinary() {
  if (const char* env = std::getenv("CALLDIR_EXTENSION"); env != nullptr && *env != '\0') return env;
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "calldir-extension";
  return (self.parent_path() / "calldir-extension").string();
}

RequestResult runRequest(const platform::DeviceRoot& device, const RequestOptions& options) {
  const auto started = Clock::now();
  RequestResult result;
  auto finish = [&](RequestResult r) {
    r.wall_seconds = std::chrono::duration<double>(Clock::now() - started).count();
    return r;
  };
  if (!device.hasBundle() || !device.principalClass()) {
    return finish(failed(result, platform::kErrorNoExtensionFound,
                         "no extension found: the device has no extension bundle"));
  }
  std::unique_ptr<CallDirectoryStore> store;
  if (auto s = CallDirectoryStore::open(device.paths().store, store); !s.ok) {
    return finish(failed(result, platform::kErrorUnknown, s.message));
  }
  result.entries = store->entryCount();
  if (!store->enabled()) {
    return finish(
        failed(result, platform::kErrorExtensionDisabled, "extension disabled: run `calldir enable`"));
  }
  // One load at a time per device.
  const std::string lock_path = std::filesystem::path(device.paths().store).parent_path() / "loading.lock";
  platform::FileDescriptor lock(::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (lock.get() < 0 || ::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
    return finish(
        failed(result, platform::kErrorCurrentlyLoading, "currently loading: another request is running"));
  }

  result.incremental = options.incremental.value_or(store->loaded());
  const std::int64_t entries_before = result.incremental ? result.entries : 0;

  std::unique_ptr<std::ofstream> trace;
  if (!options.trace_path.empty()) {
    trace = std::make_unique<std::ofstream>(options.trace_path, std::ios::trunc);
    if (!*trace) return finish(failed(result, 0, "cannot write the trace to " + options.trace_path));
  }

  int to_service[2];
  int to_extension[2];
  if (::pipe2(to_service, O_CLOEXEC) != 0) return finish(failed(result, 0, "cannot make a pipe"));
  platform::FileDescriptor service_read(to_service[0]);
  platform::FileDescriptor extension_write(to_service[1]);
  if (::pipe2(to_extension, O_CLOEXEC) != 0) return finish(failed(result, 0, "cannot make a pipe"));
  platform::FileDescriptor extension_read(to_extension[0]);
  platform::FileDescriptor service_write(to_extension[1]);

  // Everything the child needs is prepared before fork: only async-signal-safe
  // calls happen between fork and exec.
  const int child_read = 3;
  const int child_write = 4;
  std::vector<std::string> env_strings;
  auto sets = [](std::string_view entry, std::string_view name) {
    return entry.size() > name.size() && entry.substr(0, name.size()) == name && entry[name.size()] == '=';
  };
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string_view entry(*e);
    if (sets(entry, platform::kRootVariable) || sets(entry, platform::kRequestFdsVariable) ||
        sets(entry, platform::kIncrementalVariable)) {
      continue;  // set below for this request
    }
    env_strings.emplace_back(entry);
  }
  env_strings.push_back(std::string(platform::kRootVariable) + "=" + device.paths().root);
  env_strings.push_back(std::string(platform::kRequestFdsVariable) + "=" + std::to_string(child_read) + "," +
                        std::to_string(child_write));
  env_strings.push_back(std::string(platform::kIncrementalVariable) + "=" + (result.incremental ? "1" : "0"));
  std::vector<char*> envp;
  for (auto& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::string binary = options.extension_binary.empty() ? defaultExtensionBinary() : options.extension_binary;
  char* argv[] = {binary.data(), nullptr};
  rlimit memory{};
  if (options.memory_limit_bytes) memory.rlim_cur = memory.rlim_max = *options.memory_limit_bytes;

  const pid_t child = ::fork();
  if (child < 0) return finish(failed(result, 0, "cannot start the extension process"));
  if (child == 0) {
    // Descriptors 3 and 4 in the child: move them out of the way first.
    const int r = ::fcntl(extension_read.get(), F_DUPFD_CLOEXEC, 10);
    const int w = ::fcntl(extension_write.get(), F_DUPFD_CLOEXEC, 10);
    if (r < 0 || w < 0 || ::dup2(r, child_read) < 0 || ::dup2(w, child_write) < 0) ::_exit(127);
    if (options.memory_limit_bytes) ::setrlimit(RLIMIT_AS, &memory);
    ::execve(argv[0], argv, envp.data());
    ::_exit(127);
  }
  result.extension_ran = true;
  extension_read.reset();
  extension_write.reset();

  const auto deadline = started + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(options.time_limit_seconds));
  bool timed_out = false;
  bool garbage = false;
  bool completed_message = false;
  RequestChecker checker(*store, result.incremental, options.max_entries, entries_before, result);
  bool began = store->begin(!result.incremental).ok;
  if (!began) checker.fail(platform::kErrorUnknown, "cannot begin a transaction on the call directory store");

  OperationDecoder decoder;
  std::vector<char> chunk(1 << 16);
  while (!completed_message) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      timed_out = true;
      break;
    }
    pollfd p{service_read.get(), POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;  // the deadline check above ends the wait
    const ssize_t n = ::read(service_read.get(), chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the extension is gone
    decoder.feed(chunk.data(), static_cast<std::size_t>(n));
    while (auto message = decoder.next()) {
      if (trace) *trace << describeOperation(*message) << "\n";
      checker.apply(*message);
      if (message->operation == Operation::kComplete) {
        completed_message = true;
        break;
      }
    }
    if (decoder.malformed()) {
      garbage = true;
      break;
    }
  }

  int status = 0;
  rusage usage{};
  auto reap = [&](bool kill_first) {
    if (kill_first) ::kill(child, SIGKILL);
    while (::wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
  };

  if (!completed_message) {
    if (began) store->rollback();
    reap(true);
    const std::string why = timed_out ? "the extension ran past the time limit"
                            : garbage ? "the extension sent garbage instead of context operations"
                            : WIFEXITED(status) && WEXITSTATUS(status) == 127
                                ? "the extension " + binary + " could not be started"
                            : WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL
                                ? std::string("the extension crashed (") + strsignal(WTERMSIG(status)) + ")"
                                : "the extension exited before completing the request";
    result = failed(result, platform::kErrorLoadingInterrupted, "loading interrupted: " + why);
  } else {
    if (!checker.failure() && began) {
      if (auto s = store->commit(); !s.ok) checker.fail(platform::kErrorUnknown, s.message);
    } else if (began) {
      store->rollback();
    }
    RequestOutcome outcome;
    if (checker.failure()) {
      outcome.completed = false;
      outcome.code = checker.failure()->first;
      outcome.reason = checker.failure()->second;
    }
    writeToPipe(service_write.get(), encodeOutcome(outcome));
    service_write.reset();
    // Give the extension the rest of the time limit to record a failure and exit.
    bool exited = false;
    while (!exited) {
      const pid_t done = ::wait4(child, &status, WNOHANG, &usage);
      if (done == child) {
        exited = true;
        break;
      }
      if (Clock::now() >= deadline) break;
      ::usleep(2000);
    }
    if (!exited) reap(true);
    result.completed = outcome.completed;
    result.code = outcome.code;
    result.reason = outcome.reason;
  }
  result.extension_cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  result.extension_peak_bytes = static_cast<std::int64_t>(usage.ru_maxrss) * 1024;
  if (!result.completed) {
    result.added = 0;
    result.removed = 0;
    result.removed_all = false;
  }
  result.entries = store->entryCount();
  return finish(result);
}

}  // namespace calldir::telephony

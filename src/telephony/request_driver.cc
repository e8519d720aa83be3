#include "telephony/request_driver.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>
#include <vector>

#include "base/fd.h"
#include "base/json_writer.h"
#include "platform/call_directory.h"
#include "platform/clock.h"
#include "telephony/call_directory_store.h"
#include "telephony/request_checker.h"
#include "wire/framing.h"
#include "wire/launch.h"

extern char** environ;

namespace calldir::telephony {

namespace {

using SteadyClock = std::chrono::steady_clock;
using platform::CallDirectoryError;

RequestResult failed(RequestResult result, int code, std::string reason) {
  result.error = CallDirectoryError{.code = code, .reason = std::move(reason)};
  return result;
}

// An extension process started for one request, with the service's ends of
// its two pipes.
struct ExtensionProcess {
  pid_t pid = -1;
  base::FileDescriptor operations;  // what the extension sends
  base::FileDescriptor answer;      // where the service answers the completion
  int status = 0;
  rusage usage{};
};

// Starts `binary` for `launch`: the child's ends of the pipes become its
// descriptors 3 and 4, and the request is described in its environment.
base::Status startExtension(const std::string& binary, const wire::LaunchRequest& launch,
                            const std::optional<std::uint64_t>& memory_limit, ExtensionProcess& out) {
  int to_service[2];
  int to_extension[2];
  if (::pipe2(to_service, O_CLOEXEC) != 0) return base::errnoStatus("cannot make a pipe", errno);
  out.operations.reset(to_service[0]);
  base::FileDescriptor child_write(to_service[1]);
  if (::pipe2(to_extension, O_CLOEXEC) != 0) return base::errnoStatus("cannot make a pipe", errno);
  base::FileDescriptor child_read(to_extension[0]);
  out.answer.reset(to_extension[1]);

  // Everything the child needs is prepared before fork: only async-signal-safe
  // calls happen between fork and exec.
  std::vector<std::string> env_strings = wire::launchEnvironment(environ, launch);
  std::vector<char*> envp;
  for (auto& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::string path = binary;
  char* argv[] = {path.data(), nullptr};
  rlimit memory{};
  if (memory_limit) memory.rlim_cur = memory.rlim_max = *memory_limit;

  const pid_t service = ::getpid();
  out.pid = ::fork();
  if (out.pid < 0) return base::errnoStatus("cannot start the extension process", errno);
  if (out.pid == 0) {
    // An extension whose service is gone stops at once: nobody would commit
    // what it sends, and nothing it does afterwards may tell the containing
    // application that its work is done.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != service) ::_exit(127);
    // Move both ends out of the way first: either may already sit at 3 or 4.
    const int r = ::fcntl(child_read.get(), F_DUPFD_CLOEXEC, 10);
    const int w = ::fcntl(child_write.get(), F_DUPFD_CLOEXEC, 10);
    if (r < 0 || w < 0 || ::dup2(r, launch.read_fd) < 0 || ::dup2(w, launch.write_fd) < 0) ::_exit(127);
    if (memory_limit) ::setrlimit(RLIMIT_AS, &memory);
    ::execve(argv[0], argv, envp.data());
    ::_exit(127);
  }
  return base::Status::Ok();
}

// How the reading of the extension's operations ended.
enum class ReceiveEnd { kCompleted, kRefused, kTimedOut, kGarbage, kGone, kKilled };

// The error of an injected failure other than 2, which kills instead.
CallDirectoryError injectedError(int code) {
  if (code == platform::kErrorCurrentlyLoading) {
    return {.code = code, .reason = "currently loading: another request is running"};
  }
  return platform::undocumentedError(code);
}

// Whether the injected failure strikes after the operation just received,
// the `received`th, and how the request then ends; no value when it goes on.
std::optional<ReceiveEnd> injected(const std::optional<InjectedFailure>& fail, std::size_t received,
                                   bool completing, RequestChecker& checker) {
  if (!fail) return std::nullopt;
  const bool now = fail->after_operations ? received == *fail->after_operations : completing;
  if (!now) return std::nullopt;
  if (fail->code == platform::kErrorLoadingInterrupted) return ReceiveEnd::kKilled;
  checker.refuse(injectedError(fail->code));
  return ReceiveEnd::kRefused;
}

// Reads operations until the extension completes the request, the checker
// refuses one, the extension leaves, sends garbage or runs past `deadline`,
// applying each through `checker`.
ReceiveEnd receiveOperations(ExtensionProcess& extension, SteadyClock::time_point deadline,
                             RequestChecker& checker, const RequestOptions& options) {
  std::size_t received = 0;  // operations, counted from 1
  wire::OperationDecoder decoder;
  std::vector<char> chunk(1 << 16);
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    if (left <= 0) return ReceiveEnd::kTimedOut;
    pollfd p{extension.operations.get(), POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(left));
    if (ready <= 0) continue;  // interrupted, or the deadline check above ends the wait
    const ssize_t n = ::read(extension.operations.get(), chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return ReceiveEnd::kGone;
    decoder.feed(chunk.data(), static_cast<std::size_t>(n));
    while (auto message = decoder.next()) {
      if (options.trace != nullptr) *options.trace << wire::describeOperation(*message) << "\n";
      ++received;
      if (options.progress && received % 4096 == 0) options.progress(received);
      if (!checker.apply(*message)) return ReceiveEnd::kRefused;
      const bool completing = message->operation == wire::Operation::kComplete;
      if (auto end = injected(options.fail, received, completing, checker)) return *end;
      if (completing) return ReceiveEnd::kCompleted;
    }
    if (decoder.malformed()) return ReceiveEnd::kGarbage;
  }
}

void reap(ExtensionProcess& extension, bool kill_first) {
  if (kill_first) ::kill(extension.pid, SIGKILL);
  while (::wait4(extension.pid, &extension.status, 0, &extension.usage) < 0 && errno == EINTR) {
  }
}

// Waits until the extension exits or `deadline` passes, and kills it then.
// What it still sends is read and dropped, so that it never blocks on a full
// pipe before it hears the answer.
void awaitExit(ExtensionProcess& extension, SteadyClock::time_point deadline) {
  char chunk[1 << 16];
  while (SteadyClock::now() < deadline) {
    if (::wait4(extension.pid, &extension.status, WNOHANG, &extension.usage) == extension.pid) return;
    pollfd p{extension.operations.get(), POLLIN, 0};
    if (::poll(&p, 1, 2) > 0 && ::read(extension.operations.get(), chunk, sizeof chunk) == 0) {
      // It closed its end: only its exit is left to wait for, and poll on
      // no descriptor just waits out its 2 ms.
      extension.operations.reset();
    }
  }
  reap(extension, true);
}

// How long an extension whose request was refused may take to hear it,
// record it and go.
constexpr auto kRefusalGrace = std::chrono::seconds(2);

std::string interruption(ReceiveEnd end, const ExtensionProcess& extension, const std::string& binary) {
  const int status = extension.status;
  if (end == ReceiveEnd::kTimedOut) return "the extension ran past the time limit";
  if (end == ReceiveEnd::kGarbage) return "the extension sent garbage instead of context operations";
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
    return "the extension " + binary + " could not be started";
  if (WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL) {
    return std::string("the extension crashed (") + strsignal(WTERMSIG(status)) + ")";
  }
  return "the extension exited before completing the request";
}

// Writes to a pipe whose reader may have gone: the write then fails with
// EPIPE instead of the SIGPIPE ending this process.
void writeToPipe(int fd, std::string_view data) {
  sigset_t pipe_signal;
  sigset_t previous;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_signal, &previous);
  (void)base::writeFully(fd, data);
  const timespec no_wait{0, 0};
  while (sigtimedwait(&pipe_signal, nullptr, &no_wait) > 0) {
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

// Commits or rolls back the request, answers the extension and gives it the
// rest of the time limit to record a failure and exit. A store that cannot
// take the commit fails the request and comes back in `store_error`.
RequestResult completeRequest(RequestResult result, CallDirectoryStore& store, RequestChecker& checker,
                              ExtensionProcess& extension, SteadyClock::time_point deadline,
                              base::Status& store_error) {
  if (!checker.failure()) {
    store_error = store.commit();
    if (!store_error.ok()) checker.refuse({.code = platform::kErrorUnknown, .reason = store_error.message()});
  } else {
    store.rollback();
  }
  const wire::Answer answer{checker.failure()};
  writeToPipe(extension.answer.get(), wire::encodeAnswer(answer));
  extension.answer.reset();
  awaitExit(extension, deadline);
  result.error = answer.failure;
  return result;
}

// Takes the device's loading lock: one load at a time per device.
bool lockLoading(const device::DeviceRoot& device, base::FileDescriptor& lock) {
  const std::string path = std::filesystem::path(device.paths().store).parent_path() / "loading.lock";
  lock.reset(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  return lock.ok() && ::flock(lock.get(), LOCK_EX | LOCK_NB) == 0;
}

// A time limit beyond this many seconds (about 31 years) counts as this.
constexpr double kLongestTimeLimit = 1e9;

SteadyClock::time_point deadlineAfter(SteadyClock::time_point start, double seconds) {
  const double bounded = std::min(seconds, kLongestTimeLimit);
  return start + std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(bounded));
}

base::Status checkExtensionBinary(const std::string& binary) {
  if (::access(binary.c_str(), X_OK) == 0) return base::Status::Ok();
  return base::errnoStatus(
      "cannot run the extension " + binary + " (set CALLDIR_EXTENSION to the calldir-extension executable)",
      errno);
}

// Runs the extension for a request that passed the service's own checks.
base::Status runExtension(const device::DeviceRoot& device, const RequestOptions& options,
                          CallDirectoryStore& store, RequestResult& result, SteadyClock::time_point started) {
  const std::string binary =
      options.extension_binary.empty() ? defaultExtensionBinary() : options.extension_binary;
  if (auto s = checkExtensionBinary(binary); !s.ok()) return s;
  ExtensionProcess extension;
  wire::LaunchRequest launch{device.paths().root, result.incremental};
  if (auto s = startExtension(binary, launch, options.memory_limit_bytes, extension); !s.ok()) return s;
  result.extension_ran = true;

  const std::int64_t entries_before = result.incremental ? result.entries : 0;
  RequestChecker checker(store, result.incremental, options.max_entries, entries_before);
  if (auto s = store.begin(!result.incremental); !s.ok()) {
    checker.refuse({.code = platform::kErrorUnknown,
                    .reason = "cannot begin a transaction on the call directory store"});
  }
  const auto deadline = deadlineAfter(started, options.time_limit_seconds);
  const ReceiveEnd end = receiveOperations(extension, deadline, checker, options);
  base::Status store_error;
  if (end == ReceiveEnd::kCompleted) {
    result = completeRequest(result, store, checker, extension, deadline, store_error);
  } else if (end == ReceiveEnd::kRefused) {
    // Refused at once, before the extension has sent the rest: it hears the
    // answer at its next batch, records it and stops.
    result = completeRequest(result, store, checker, extension,
                             std::min(deadline, SteadyClock::now() + kRefusalGrace), store_error);
  } else {
    // Gone, killed (as the phone kills an extension under memory pressure),
    // past the time limit, or speaking garbage.
    store.rollback();
    reap(extension, true);
    result = failed(result, platform::kErrorLoadingInterrupted,
                    "loading interrupted: " + interruption(end, extension, binary));
  }
  const rusage& u = extension.usage;
  result.extension_cpu_seconds = static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                                 static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
  result.extension_peak_bytes = static_cast<std::int64_t>(u.ru_maxrss) * 1024;
  if (result.completed()) {
    result.added = checker.changes().added;
    result.removed = checker.changes().removed;
    result.removed_all = checker.changes().removed_all;
  }
  return store_error.withContext("cannot write the call directory store");
}

}  // namespace

std::string defaultExtensionBinary() {
  if (const char* env = std::getenv("CALLDIR_EXTENSION"); env != nullptr && *env != '\0') return env;
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "calldir-extension";
  // Beside the program in a build tree; in PREFIX/libexec/calldir once
  // installed (the program in PREFIX/bin).
  const auto beside = self.parent_path() / "calldir-extension";
  const auto installed = self.parent_path().parent_path() / "libexec" / "calldir" / "calldir-extension";
  if (::access(beside.c_str(), X_OK) == 0 || ::access(installed.c_str(), X_OK) != 0) return beside.string();
  return installed.string();
}

base::Status checkRequestOptions(const RequestOptions& options) {
  if (!(options.time_limit_seconds > 0) || std::isinf(options.time_limit_seconds)) {
    return base::Status::InvalidArgument("the time limit must be a positive number of seconds");
  }
  if (options.max_entries < 0) return base::Status::InvalidArgument("the entry cap cannot be negative");
  if (options.memory_limit_bytes && *options.memory_limit_bytes < (1u << 20)) {
    return base::Status::InvalidArgument("the memory limit must be at least 1 MiB (1048576 bytes)");
  }
  return base::Status::Ok();
}

bool isInjectableCode(int code) {
  return code == platform::kErrorLoadingInterrupted || code == platform::kErrorCurrentlyLoading ||
         code == platform::kErrorUndocumentedDamagedDatabase || code == platform::kErrorUndocumented102;
}

base::Status resetCallDirectory(const device::DeviceRoot& device, CallDirectoryStore& store) {
  base::FileDescriptor lock;
  if (!lockLoading(device, lock)) {
    return base::Status::InvalidArgument(
        "a request is loading on the device; reset it once the request is done");
  }
  return store.reset();
}

bool isLoading(const device::DeviceRoot& device) {
  base::FileDescriptor lock;
  return !lockLoading(device, lock) && lock.ok();
}

std::string requestJson(const RequestResult& r, const std::string& at) {
  base::JsonWriter json;
  json.beginObject().key("kind").value(r.incremental ? "incremental" : "complete");
  json.key("completed").value(r.completed()).key("error");
  if (r.completed()) {
    json.null();
  } else {
    json.beginObject()
        .key("code")
        .value(r.error->code)
        .key("name")
        .value(platform::errorCodeName(r.error->code));
    json.key("reason").value(r.error->reason).endObject();
  }
  json.key("added").value(r.added).key("removed").value(r.removed).key("removed_all").value(r.removed_all);
  json.key("entries").value(r.entries).key("extension_cpu_seconds").value(r.extension_cpu_seconds, 3);
  json.key("extension_peak_bytes").value(r.extension_peak_bytes);
  json.key("service_peak_bytes").value(r.service_peak_bytes).key("wall_seconds").value(r.wall_seconds, 3);
  if (!at.empty()) json.key("at").value(at);
  json.endObject();
  std::string out = json.finish();
  out.pop_back();
  return out;
}

namespace {

// Notes the outcome in the store, for `calldir status`. A store that cannot
// take the note loses only the note.
void recordLastRequest(CallDirectoryStore& store, RequestResult result, SteadyClock::time_point started) {
  result.wall_seconds = std::chrono::duration<double>(SteadyClock::now() - started).count();
  (void)store.setLastRequest(requestJson(result, platform::describeDate(std::chrono::system_clock::now())));
}

// The wall time and the peak memory of this process, the service.
void measureService(RequestResult& result, SteadyClock::time_point started) {
  result.wall_seconds = std::chrono::duration<double>(SteadyClock::now() - started).count();
  rusage self{};
  if (::getrusage(RUSAGE_SELF, &self) == 0)
    result.service_peak_bytes = static_cast<std::int64_t>(self.ru_maxrss) * 1024;
}

}  // namespace

base::Result<RequestResult> runRequest(const device::DeviceRoot& device, CallDirectoryStore& store,
                                       const RequestOptions& options) {
  const auto started = SteadyClock::now();
  RequestResult out;
  if (auto s = checkRequestOptions(options); !s.ok()) return s;
  if (options.fail && !isInjectableCode(options.fail->code)) {
    return base::Status::InvalidArgument("the service fails a request on purpose only with 2, 7, 11 or 102");
  }
  if (!device.hasBundle() || !device.principalClass()) {
    out = failed(out, platform::kErrorNoExtensionFound,
                 "no extension found: the device has no extension bundle");
  } else if (!store.enabled()) {
    out = failed(out, platform::kErrorExtensionDisabled, "extension disabled: run `calldir enable`");
  }
  out.entries = store.entryCount();
  out.incremental = options.incremental.value_or(store.loaded());
  if (out.error) {
    recordLastRequest(store, out, started);
    measureService(out, started);
    return out;
  }
  // An injected 7 without a count refuses here, as another loading request does.
  const bool injected_7 = options.fail && options.fail->code == platform::kErrorCurrentlyLoading &&
                          !options.fail->after_operations;
  base::FileDescriptor lock;
  if (injected_7 || !lockLoading(device, lock)) {
    out = failed(out, platform::kErrorCurrentlyLoading, "currently loading: another request is running");
    measureService(out, started);
    return out;
  }
  // What another request committed before the lock was taken counts.
  if (base::Status s = store.refresh(); !s.ok()) return s;
  out.entries = store.entryCount();
  out.incremental = options.incremental.value_or(store.loaded());
  RequestOptions run = options;
  // A damaged database fails every request as the phone's does.
  if (store.state().damaged)
    run.fail = InjectedFailure{platform::kErrorUndocumentedDamagedDatabase, std::nullopt};
  base::Status s = runExtension(device, run, store, out, started);
  out.entries = store.entryCount();
  if (s.ok()) recordLastRequest(store, out, started);
  measureService(out, started);
  if (!s.ok()) return s;
  return out;
}

}  // namespace calldir::telephony

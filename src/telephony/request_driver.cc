#include "telephony/request_driver.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <ostream>
#include <vector>

#include "base/fd.h"
#include "base/system.h"
#include "platform/call_directory.h"
#include "platform/clock.h"
#include "telephony/call_directory_store.h"
#include "telephony/child_process.h"
#include "telephony/request_checker.h"
#include "wire/framing.h"
#include "wire/launch.h"

extern char** environ;

namespace calldir::telephony {

namespace {

using SteadyClock = ChildProcess::Clock;
using platform::CallDirectoryError;

RequestResult failed(RequestResult result, int code, std::string reason) {
  result.error = CallDirectoryError{.code = code, .reason = std::move(reason)};
  return result;
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
ReceiveEnd receiveOperations(ChildProcess& extension, SteadyClock::time_point deadline,
                             RequestChecker& checker, const RequestOptions& options) {
  std::size_t received = 0;  // operations, counted from 1
  wire::OperationDecoder decoder;
  std::vector<char> chunk(1 << 16);
  for (;;) {
    const auto n = extension.read(chunk, deadline);
    if (!n) return ReceiveEnd::kTimedOut;
    if (*n == 0) return ReceiveEnd::kGone;
    decoder.feed(chunk.data(), *n);
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

// How long an extension whose request was refused may take to hear it,
// record it and go.
constexpr auto kRefusalGrace = std::chrono::seconds(2);

std::string interruption(ReceiveEnd end, const ChildProcess& extension, const std::string& binary) {
  if (end == ReceiveEnd::kTimedOut) return "the extension ran past the time limit";
  if (end == ReceiveEnd::kGarbage) return "the extension sent garbage instead of context operations";
  if (extension.killedOverMemoryLimit()) return "the extension went over the memory limit";
  if (extension.startFailed()) return "the extension " + binary + " could not be started";
  if (auto signal = extension.crash()) return "the extension crashed (" + *signal + ")";
  return "the extension exited before completing the request";
}

// Commits or rolls back the request, answers the extension and gives it the
// rest of the time limit to record a failure and exit. A store that cannot
// take the commit fails the request and comes back in `store_error`.
RequestResult completeRequest(RequestResult result, CallDirectoryStore& store, RequestChecker& checker,
                              ChildProcess& extension, SteadyClock::time_point deadline,
                              base::Status& store_error) {
  if (!checker.failure()) {
    store_error = store.commit();
    if (!store_error.ok()) checker.refuse({.code = platform::kErrorUnknown, .reason = store_error.message()});
  } else {
    store.rollback();
  }
  const wire::Answer answer{checker.failure()};
  extension.sendAndClose(wire::encodeAnswer(answer));
  extension.awaitExit(deadline);
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
  const wire::LaunchRequest launch{device.paths().root, result.incremental};
  auto started_extension = ChildProcess::start({binary, wire::launchEnvironment(environ, launch),
                                                launch.read_fd, launch.write_fd, options.memory_limit_bytes});
  if (!started_extension.ok()) return started_extension.status();
  ChildProcess& extension = *started_extension;
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
    extension.kill();
    result = failed(result, platform::kErrorLoadingInterrupted,
                    "loading interrupted: " + interruption(end, extension, binary));
  }
  result.extension_cpu_seconds = extension.cpuSeconds();
  result.extension_peak_bytes = extension.peakBytes();
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
  const std::filesystem::path self = base::system::executablePath();
  if (self.empty()) return "calldir-extension";
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
  if (options.fail && !isInjectableCode(options.fail->code)) {
    return base::Status::InvalidArgument("the service fails a request on purpose only with 2, 7, 11 or 102");
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

namespace {

// Notes the outcome, measured, in the store, for `calldir status`. A store
// that cannot take the note loses only the note.
void recordLastRequest(CallDirectoryStore& store, const RequestResult& result) {
  (void)store.setLastRequest(requestJson(result, platform::describeDate(std::chrono::system_clock::now())));
}

// The wall time and the peak memory of this process, the service.
void measureService(RequestResult& result, SteadyClock::time_point started) {
  result.wall_seconds = std::chrono::duration<double>(SteadyClock::now() - started).count();
  rusage self{};
  if (::getrusage(RUSAGE_SELF, &self) == 0) result.service_peak_bytes = base::system::peakResidentBytes(self);
}

}  // namespace

base::Result<RequestResult> runRequest(const device::DeviceRoot& device, CallDirectoryStore& store,
                                       const RequestOptions& options) {
  const auto started = SteadyClock::now();
  RequestResult out;
  if (auto s = checkRequestOptions(options); !s.ok()) return s;
  if (!device.hasBundle() || !device.principalClass()) {
    out = failed(out, platform::kErrorNoExtensionFound,
                 "no extension found: the device has no extension bundle");
  } else if (!store.enabled()) {
    out = failed(out, platform::kErrorExtensionDisabled, "extension disabled: run `calldir enable`");
  }
  out.entries = store.entryCount();
  out.incremental = options.incremental.value_or(store.loaded());
  if (out.error) {
    measureService(out, started);
    recordLastRequest(store, out);
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
  measureService(out, started);
  if (!s.ok()) return s;
  recordLastRequest(store, out);
  return out;
}

}  // namespace calldir::telephony

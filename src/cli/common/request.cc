#include "cli/common/request.h"

#include <fstream>
#include <memory>
#include <ostream>

#include "cli/common/device_state.h"
#include "cli/common/option_values.h"
#include "cli/common/progress.h"
#include "platform/call_directory.h"

namespace calldir::cli {

namespace {

std::string seconds(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", value);
  return buffer;
}

void printText(const telephony::RequestResult& r, Io& io) {
  io.out << (r.incremental ? "incremental" : "complete") << " request: ";
  if (r.completed()) {
    io.out << "completed\n";
  } else {
    io.out << "failed with error " << r.error->code << " (" << platform::errorCodeName(r.error->code)
           << "): " << r.error->reason << "\n";
  }
  io.out << "  added " << r.added << ", removed " << r.removed << (r.removed_all ? ", removed all" : "")
         << "; " << r.entries << " entr" << (r.entries == 1 ? "y" : "ies") << " stored\n";
  if (r.extension_ran) {
    io.out << "  extension: " << seconds(r.extension_cpu_seconds) << " s CPU, "
           << (r.extension_peak_bytes + (1 << 19)) / (1 << 20) << " MB peak memory; "
           << seconds(r.wall_seconds) << " s in all\n";
  }
}

// Runs one request. The extension reads a settings store it cannot open as
// empty, and then does nothing; a request on damaged settings is refused
// here instead. Says on io.err when the request applied nothing, and why.
base::Result<telephony::RequestResult> performRequest(DeviceAccess& device, const ReloadOptions& options,
                                                      Io& io) {
  auto settings = device.settings();
  if (!settings.ok()) return settings.status();
  if (base::Status s = (*settings)->check(); !s.ok()) return s;
  auto store = device.store();
  if (!store.ok()) return store.status();
  telephony::RequestOptions request = options.request;
  std::ofstream trace_file;
  if (options.trace_path == "-") {
    request.trace = &io.out;
  } else if (!options.trace_path.empty()) {
    trace_file.open(options.trace_path, std::ios::trunc);
    if (!trace_file) return base::errnoStatus("cannot write the trace to " + options.trace_path, errno);
    request.trace = &trace_file;
  }
  // For the warnings only: a state that cannot be read just says less.
  const DeviceState before = readDeviceState(device).valueOr(DeviceState{});
  Progress progress(io, !options.json && options.trace_path != "-", "request", "operations received");
  request.progress = [&progress](std::size_t operations) { progress.update(operations, 0); };
  auto result = telephony::runRequest(device.root(), **store, request);
  progress.finish();
  if (!result.ok()) return result.status();
  trace_file.close();
  if (options.trace_path != "-" && !options.trace_path.empty() && !trace_file) {
    return base::errnoStatus("cannot write the trace to " + options.trace_path, errno);
  }
  if (auto why = whyNothingApplied(before, *result)) warn(io, *why);
  return result;
}

}  // namespace

void declareRequestOptions(CLI::App& command, ReloadOptions& options) {
  telephony::RequestOptions& request = options.request;
  command
      .add_option("--max-entries", request.max_entries,
                  "Most entries the phone keeps for the extension (more fail with error 5)")
      ->type_name("N")
      ->check(wholeNumberIn(0, INT64_MAX))
      ->capture_default_str();
  command
      .add_option("--time-limit", request.time_limit_seconds,
                  "Seconds the extension may run (longer fails with error 2)")
      ->type_name("SECONDS")
      ->check(positiveSeconds())
      ->capture_default_str();
  command
      .add_option(
          "--memory-limit", request.memory_limit_bytes,
          "Memory limit of the extension process, such as 512M: its address space, or its resident memory "
          "where the system does not limit that (macOS) (off by default; over it, error 2)")
      ->type_name("BYTES")
      ->transform(byteCountOfAtLeast(1u << 20));
  command
      .add_option(
          "--trace", options.trace_path,
          "Write every context operation the extension sent to FILE (- for standard output), one a line")
      ->type_name("FILE");
  addInjectedFailureOption(
      command, "--fail", request.fail,
      "Have the phone fail the request with CODE after N context operations (at completion without "
      "@N): 2 kills the extension, 7 currently loading, 11 and 102 undocumented codes seen in the field");
  command.add_flag("--json", options.json, "Print the outcome as one JSON object");
  command.parse_complete_callback([&options] {
    if (options.json && options.trace_path == "-") {
      throw CLI::ValidationError("--trace - cannot share standard output with --json");
    }
  });
}

void declareRequestKind(CLI::App& command, telephony::RequestOptions& request) {
  auto* full = command.add_flag_callback(
      "--full", [&request] { request.incremental = false; }, "Ask for a complete request");
  command
      .add_flag_callback(
          "--incremental", [&request] { request.incremental = true; }, "Ask for an incremental request")
      ->excludes(full);
}

int reportAction(DeviceAccess& device, const Action& action, bool reload, const ReloadOptions& options,
                 Io& io) {
  telephony::RequestResult result;
  if (reload) {
    auto performed = performRequest(device, options, io);
    if (!performed.ok()) return fail(io, "", performed.status());
    result = std::move(performed).value();
  }
  if (options.json) {
    base::JsonWriter json;
    json.beginObject().key("action");
    action.json(json);
    json.key("request");
    reload ? json.raw(telephony::requestJson(result)) : json.null();
    io.out << json.endObject().finish();
  } else {
    if (!action.text.empty()) io.out << action.text << "\n";
    if (reload) printText(result, io);
  }
  return !reload || result.completed() ? kExitOk : kExitNegative;
}

int runRequestCommand(DeviceAccess& device, const ReloadOptions& options, Io& io) {
  const auto result = performRequest(device, options, io);
  if (!result.ok()) return fail(io, "", result.status());
  if (options.json) {
    io.out << telephony::requestJson(*result) << "\n";
  } else {
    printText(*result, io);
  }
  return result->completed() ? kExitOk : kExitNegative;
}

}  // namespace calldir::cli

#include "cli/request_commands.h"

#include <fstream>
#include <memory>
#include <ostream>

#include "cli/device_state.h"
#include "cli/option_values.h"
#include "cli/progress.h"
#include "cli/session.h"
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

void addRequestOptions(CLI::App* command, RequestFlags& flags) {
  telephony::RequestOptions& request = flags.reload.request;
  command
      ->add_option("--max-entries", request.max_entries,
                   "Most entries the phone keeps for the extension (more fail with error 5)")
      ->type_name("N")
      ->check(wholeNumberIn(0, INT64_MAX))
      ->capture_default_str();
  command
      ->add_option("--time-limit", request.time_limit_seconds,
                   "Seconds the extension may run (longer fails with error 2)")
      ->type_name("SECONDS")
      ->check(positiveSeconds())
      ->capture_default_str();
  command
      ->add_option(
          "--memory-limit", flags.memory_limit,
          "Address space limit of the extension process, such as 512M (off by default; over it, error 2)")
      ->type_name("BYTES")
      ->check(byteCountOfAtLeast(1u << 20));
  command
      ->add_option(
          "--trace", flags.reload.trace_path,
          "Write every context operation the extension sent to FILE (- for standard output), one a line")
      ->type_name("FILE");
  command
      ->add_option(
          "--fail", flags.fail,
          "Have the phone fail the request with CODE after N context operations (at completion without "
          "@N): 2 kills the extension, 7 currently loading, 11 and 102 undocumented codes seen in the field")
      ->type_name("CODE[@N]")
      ->check(injectedFailure());
  command->add_flag("--json", flags.reload.json, "Print the outcome as one JSON object");
}

base::Result<ReloadOptions> requestOptions(const RequestFlags& flags, std::string root) {
  ReloadOptions out = flags.reload;
  out.root = std::move(root);
  if (flags.full) out.request.incremental = false;
  if (flags.incremental) out.request.incremental = true;
  if (!flags.memory_limit.empty())
    out.request.memory_limit_bytes = parseByteCount(flags.memory_limit).valueOr(0);
  if (!flags.fail.empty()) out.request.fail = parseInjectedFailure(flags.fail).valueOr({});
  if (out.json && out.trace_path == "-") {
    return base::Status::InvalidArgument("--trace - cannot share standard output with --json");
  }
  return out;
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

int runReload(const ReloadOptions& options, Io& io) {
  auto device = DeviceAccess::open(options.root);
  if (!device.ok()) return fail(io, "", device.status());
  const auto result = performRequest(**device, options, io);
  if (!result.ok()) return fail(io, "", result.status());
  if (options.json) {
    io.out << telephony::requestJson(*result) << "\n";
  } else {
    printText(*result, io);
  }
  return result->completed() ? kExitOk : kExitNegative;
}

int runEnable(const EnableOptions& options, Io& io) {
  auto device = DeviceAccess::open(options.request.root);
  if (!device.ok()) return fail(io, "", device.status());
  auto store = (*device)->store();
  if (!store.ok()) return fail(io, "", store.status());
  if (base::Status s = (*store)->setEnabled(options.enable); !s.ok()) return fail(io, "", s);
  const bool enable = options.enable;
  const Action action{
      [enable](base::JsonWriter& json) { json.beginObject().key("enabled").value(enable).endObject(); },
      enable ? "extension enabled; the phone loads it:" : "extension disabled"};
  return reportAction(**device, action, enable, options.request, io);
}

namespace {

// Runs `command` with the checked options of `flags`, or says why they
// cannot be used.
void withRequestOptions(Session& session, const RequestFlags& flags,
                        const std::function<int(const ReloadOptions&)>& command) {
  auto options = requestOptions(flags, session.root());
  session.status = options.ok() ? command(*options) : fail(session.io, "", options.status());
}

}  // namespace

void addRequestCommands(CLI::App& app, Session& session) {
  auto reload_flags = std::make_shared<RequestFlags>();
  auto* reload = app.add_subcommand(
      "reload", "Have the phone load the extension, as the containing application's reload does");
  auto* full = reload->add_flag("--full", reload_flags->full, "Ask for a complete request");
  reload->add_flag("--incremental", reload_flags->incremental, "Ask for an incremental request")
      ->excludes(full);
  addRequestOptions(reload, *reload_flags);
  reload->callback([&session, reload_flags] {
    withRequestOptions(session, *reload_flags,
                       [&](const ReloadOptions& o) { return runReload(o, session.io); });
  });

  for (const bool enable : {true, false}) {
    auto flags = std::make_shared<RequestFlags>();
    auto* command = enable ? app.add_subcommand("enable", "Switch the extension on; the phone then loads it")
                           : app.add_subcommand("disable", "Switch the extension off");
    if (enable) {
      addRequestOptions(command, *flags);
    } else {
      command->add_flag("--json", flags->reload.json, "Print the outcome as one JSON object");
    }
    command->callback([&session, flags, enable] {
      withRequestOptions(session, *flags, [&](const ReloadOptions& o) {
        return runEnable({enable, o}, session.io);
      });
    });
  }
}

}  // namespace calldir::cli

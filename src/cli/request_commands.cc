#include "cli/request_commands.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>

#include "cli/device_access.h"
#include "cli/device_state.h"
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
  if (r.completed) {
    io.out << "completed\n";
  } else {
    io.out << "failed with error " << r.code << " (" << platform::errorCodeName(r.code) << "): " << r.reason
           << "\n";
  }
  io.out << "  added " << r.added << ", removed " << r.removed << (r.removed_all ? ", removed all" : "")
         << "; " << r.entries << " entr" << (r.entries == 1 ? "y" : "ies") << " stored\n";
  if (r.extension_ran) {
    io.out << "  extension: " << seconds(r.extension_cpu_seconds) << " s CPU, "
           << (r.extension_peak_bytes + (1 << 19)) / (1 << 20) << " MB peak memory; "
           << seconds(r.wall_seconds) << " s in all\n";
  }
}

// The extension reads a settings store it cannot open as empty, and then
// does nothing; a request on damaged settings is refused here instead.
base::Status checkSharedSettings(const device::DeviceRoot& device) {
  if (!std::filesystem::exists(device.paths().settings)) return base::Status::Ok();  // made on first use
  std::unique_ptr<platform::SqliteSettingsStore> store;
  if (base::Status s = openSharedSettings(device, store); !s.ok()) return s;
  return store->check();
}

// Runs one request: checks the options and the settings first, and says on
// io.err when the request applied nothing, and why.
base::Status performRequest(const device::DeviceRoot& device, const ReloadOptions& options, Io& io,
                            telephony::RequestResult& result) {
  if (base::Status s = telephony::checkRequestOptions(options.request); !s.ok()) return s;
  if (base::Status s = checkSharedSettings(device); !s.ok()) return s;
  telephony::RequestOptions request = options.request;
  std::ofstream trace_file;
  if (options.trace_path == "-") {
    request.trace = &io.out;
  } else if (!options.trace_path.empty()) {
    trace_file.open(options.trace_path, std::ios::trunc);
    if (!trace_file) return base::errnoStatus("cannot write the trace to " + options.trace_path, errno);
    request.trace = &trace_file;
  }
  DeviceState before;  // for the warnings only: a state that cannot be read just says less
  (void)readDeviceState(device, before);
  if (base::Status s = telephony::runRequest(device, request, result); !s.ok()) return s;
  trace_file.close();
  if (options.trace_path != "-" && !options.trace_path.empty() && !trace_file) {
    return base::errnoStatus("cannot write the trace to " + options.trace_path, errno);
  }
  if (auto why = whyNothingApplied(before, result)) warn(io, *why);
  return base::Status::Ok();
}

}  // namespace

int reportAction(const device::DeviceRoot& device, const Action& action, bool reload,
                 const ReloadOptions& options, Io& io) {
  telephony::RequestResult result;
  if (reload) {
    if (base::Status s = performRequest(device, options, io, result); !s.ok()) return fail(io, "", s);
  }
  if (options.json) {
    base::JsonWriter json;
    json.beginObject().key("action");
    action.json(json);
    json.key("request");
    if (reload) {
      json.raw(telephony::requestJson(result));
    } else {
      json.null();
    }
    io.out << json.endObject().finish();
  } else {
    if (!action.text.empty()) io.out << action.text << "\n";
    if (reload) printText(result, io);
  }
  return !reload || result.completed ? kExitOk : kExitNegative;
}

int runReload(const std::string& root, const ReloadOptions& options, Io& io) {
  std::optional<device::DeviceRoot> device;
  if (base::Status s = openDevice(root, device); !s.ok()) return fail(io, "", s);
  telephony::RequestResult result;
  if (base::Status s = performRequest(*device, options, io, result); !s.ok()) return fail(io, "", s);
  if (options.json) {
    io.out << telephony::requestJson(result) << "\n";
  } else {
    printText(result, io);
  }
  return result.completed ? kExitOk : kExitNegative;
}

int runEnable(const std::string& root, bool enable, const ReloadOptions& options, Io& io) {
  std::optional<device::DeviceRoot> device;
  if (base::Status s = openDevice(root, device); !s.ok()) return fail(io, "", s);
  {
    std::unique_ptr<telephony::CallDirectoryStore> store;
    if (base::Status s = openCallDirectoryStore(*device, store); !s.ok()) return fail(io, "", s);
    if (base::Status s = store->setEnabled(enable); !s.ok()) return fail(io, "", s);
  }
  const Action action{
      [enable](base::JsonWriter& json) { json.beginObject().key("enabled").value(enable).endObject(); },
      enable ? "extension enabled; the phone loads it:" : "extension disabled"};
  return reportAction(*device, action, enable, options, io);
}

}  // namespace calldir::cli

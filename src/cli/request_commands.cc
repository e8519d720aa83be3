#include "cli/request_commands.h"

#include <cstdio>
#include <filesystem>
#include <ostream>

#include "base/json_quote.h"
#include "cli/device_access.h"
#include "platform/call_directory.h"

namespace calldir::cli {

namespace {

std::string seconds(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", value);
  return buffer;
}

void printJson(const telephony::RequestResult& r, Io& io) {
  io.out << "{\"kind\": \"" << (r.incremental ? "incremental" : "complete")
         << "\", \"completed\": " << (r.completed ? "true" : "false") << ", \"error\": ";
  if (r.completed) {
    io.out << "null";
  } else {
    io.out << "{\"code\": " << r.code << ", \"name\": \"" << platform::errorCodeName(r.code)
           << "\", \"reason\": " << base::jsonQuote(r.reason) << "}";
  }
  io.out << ", \"added\": " << r.added << ", \"removed\": " << r.removed
         << ", \"removed_all\": " << (r.removed_all ? "true" : "false") << ", \"entries\": " << r.entries
         << ", \"extension_cpu_seconds\": " << seconds(r.extension_cpu_seconds)
         << ", \"extension_peak_bytes\": " << r.extension_peak_bytes
         << ", \"wall_seconds\": " << seconds(r.wall_seconds) << "}\n";
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

}  // namespace

namespace {

// The extension reads a settings store it cannot open as empty, and then
// does nothing; a request on damaged settings is refused here instead.
base::Status checkSharedSettings(const device::DeviceRoot& device) {
  if (!std::filesystem::exists(device.paths().settings)) return base::Status::Ok();  // made on first use
  std::unique_ptr<platform::SqliteSettingsStore> store;
  if (base::Status s = openSharedSettings(device, store); !s.ok()) return s;
  return store->check();
}

}  // namespace

int reloadDevice(const device::DeviceRoot& device, const ReloadOptions& options, Io& io) {
  if (base::Status s = telephony::checkRequestOptions(options.request); !s.ok()) return fail(io, "", s);
  if (base::Status s = checkSharedSettings(device); !s.ok()) return fail(io, "", s);
  telephony::RequestResult result;
  if (base::Status s = telephony::runRequest(device, options.request, result); !s.ok())
    return fail(io, "", s);
  if (options.json) {
    printJson(result, io);
  } else {
    printText(result, io);
  }
  return result.completed ? kExitOk : kExitNegative;
}

int runReload(const std::string& root, const ReloadOptions& options, Io& io) {
  std::optional<device::DeviceRoot> device;
  if (base::Status s = openDevice(root, device); !s.ok()) return fail(io, "", s);
  return reloadDevice(*device, options, io);
}

int runEnable(const std::string& root, bool enable, const ReloadOptions& options, Io& io) {
  std::optional<device::DeviceRoot> device;
  if (base::Status s = openDevice(root, device); !s.ok()) return fail(io, "", s);
  {
    std::unique_ptr<telephony::CallDirectoryStore> store;
    if (base::Status s = openCallDirectoryStore(*device, store); !s.ok()) return fail(io, "", s);
    if (base::Status s = store->setEnabled(enable); !s.ok()) return fail(io, "", s);
  }
  if (!enable) {
    io.out << "extension disabled\n";
    return kExitOk;
  }
  io.out << "extension enabled; the phone loads it:\n";
  return reloadDevice(*device, options, io);
}

}  // namespace calldir::cli

#include "cli/telephony_commands.h"

#include <cstdio>
#include <ostream>

#include "cli/device_commands.h"
#include "cli/json_output.h"
#include "handler/keys.h"
#include "platform/call_directory.h"
#include "platform/environment.h"
#include "platform/text.h"
#include "telephony/call_directory_store.h"

namespace calldir::cli {

namespace {

std::unique_ptr<telephony::CallDirectoryStore> openStore(const platform::DeviceRoot& device, Io& io) {
  std::unique_ptr<telephony::CallDirectoryStore> store;
  if (auto s = telephony::CallDirectoryStore::open(device.paths().store, store); !s.ok) {
    io.err << "calldir: cannot open the call directory store: " << s.message << "\n";
    return nullptr;
  }
  return store;
}

std::string seconds(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", value);
  return buffer;
}

void printResult(const telephony::RequestResult& r, bool json, Io& io) {
  const char* kind = r.incremental ? "incremental" : "complete";
  if (json) {
    io.out << "{\"kind\": \"" << kind << "\", \"completed\": " << (r.completed ? "true" : "false")
           << ", \"error\": ";
    if (r.completed) {
      io.out << "null";
    } else {
      io.out << "{\"code\": " << r.code << ", \"name\": \"" << platform::errorCodeName(r.code)
             << "\", \"reason\": " << jsonQuote(r.reason) << "}";
    }
    io.out << ", \"added\": " << r.added << ", \"removed\": " << r.removed
           << ", \"removed_all\": " << (r.removed_all ? "true" : "false") << ", \"entries\": " << r.entries
           << ", \"extension_cpu_seconds\": " << seconds(r.extension_cpu_seconds)
           << ", \"extension_peak_bytes\": " << r.extension_peak_bytes
           << ", \"wall_seconds\": " << seconds(r.wall_seconds) << "}\n";
    return;
  }
  io.out << kind << " request: ";
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

int reload(const platform::DeviceRoot& device, const ReloadOptions& options, Io& io) {
  const auto result = telephony::runRequest(device, options.request);
  printResult(result, options.json, io);
  return result.completed ? kExitOk : kExitNegative;
}

bool setControlKey(const platform::DeviceRoot& device, std::string_view key, std::string_view value, Io& io) {
  platform::SqliteSettingsStore store(device.paths().settings, device.group(), false);
  auto settings = store.initWithSuiteName(device.group());
  settings->setObject(value, key);
  if (!store.ok() || !settings->synchronize()) {
    io.err << "calldir: cannot write the shared settings" << (store.ok() ? "" : ": " + store.error()) << "\n";
    return false;
  }
  return true;
}

}  // namespace

int runReload(const std::string& root, const ReloadOptions& options, Io& io) {
  auto device = openDevice(root, io);
  if (!device) return kExitFailure;
  return reload(*device, options, io);
}

int runEnable(const std::string& root, bool enable, const ReloadOptions& options, Io& io) {
  auto device = openDevice(root, io);
  if (!device) return kExitFailure;
  auto store = openStore(*device, io);
  if (!store) return kExitFailure;
  if (auto s = store->setEnabled(enable); !s.ok) {
    io.err << "calldir: " << s.message << "\n";
    return kExitFailure;
  }
  store.reset();
  if (!enable) {
    io.out << "extension disabled\n";
    return kExitOk;
  }
  io.out << "extension enabled; the phone loads it:\n";
  return reload(*device, options, io);
}

int runLookup(const std::string& root, const std::vector<std::string>& numbers, Io& io) {
  auto device = openDevice(root, io);
  if (!device) return kExitFailure;
  auto store = openStore(*device, io);
  if (!store) return kExitFailure;
  bool all_found = true;
  for (const std::string& text : numbers) {
    const std::int64_t number = platform::integerValue(text);
    const auto labels = store->labelsFor(number);
    io.out << number << "\t";
    if (labels.empty()) {
      io.out << "(no label)";
      all_found = false;
    }
    for (std::size_t i = 0; i < labels.size(); ++i) io.out << (i ? " | " : "") << labels[i];
    io.out << "\n";
  }
  return all_found ? kExitOk : kExitNegative;
}

int runEntries(const std::string& root, bool json, Io& io) {
  auto device = openDevice(root, io);
  if (!device) return kExitFailure;
  auto store = openStore(*device, io);
  if (!store) return kExitFailure;
  bool first = true;
  if (json) io.out << "[";
  auto s = store->forEachEntry([&](std::int64_t number, std::string_view label) {
    if (json) {
      io.out << (first ? "" : ",\n ") << "{\"number\": " << number << ", \"label\": " << jsonQuote(label)
             << "}";
    } else {
      io.out << number << "\t" << label << "\n";
    }
    first = false;
  });
  if (json) io.out << "]\n";
  if (!s.ok) {
    io.err << "calldir entries: " << s.message << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

int runAppRestore(const std::string& root, bool do_reload, const ReloadOptions& options, Io& io) {
  auto device = openDevice(root, io);
  if (!device) return kExitFailure;
  if (!setControlKey(*device, handler::kClearAllKey, "Y", io)) return kExitFailure;
  io.out << handler::kClearAllKey << " = Y: the next incremental request restores from zero\n";
  return do_reload ? reload(*device, options, io) : kExitOk;
}

int runAppPut(const std::string& root, const std::string& add_file, const std::string& del_file,
              bool do_reload, const ReloadOptions& options, Io& io) {
  auto device = openDevice(root, io);
  if (!device) return kExitFailure;
  if (add_file.empty() && del_file.empty()) {
    io.err << "calldir app put: name a list with --add FILE and/or --del FILE\n";
    return kExitBadInput;
  }
  const std::pair<const std::string*, std::string_view> lists[] = {{&del_file, handler::kDeleteListName},
                                                                   {&add_file, handler::kAddListName}};
  for (const auto& [file, name] : lists) {
    if (file->empty()) continue;
    const std::string path = platform::appendingPathComponent(device->paths().container, name);
    if (int s = installListFile("calldir app put", *file, path, ResourceMode::kAuto, io); s != kExitOk)
      return s;
    io.out << "dropped " << name << " into the shared container\n";
  }
  return do_reload ? reload(*device, options, io) : kExitOk;
}

}  // namespace calldir::cli

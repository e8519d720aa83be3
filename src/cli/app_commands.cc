#include "cli/app_commands.h"

#include <ostream>

#include "cli/device_access.h"
#include "cli/list_install.h"
#include "device/real_device.h"
#include "handler/keys.h"
#include "platform/files.h"
#include "storage/list_files.h"
#include "telephony/request_driver.h"

namespace calldir::cli {

namespace {

base::Status setControlKey(const device::DeviceRoot& device, std::string_view key, std::string_view value) {
  std::unique_ptr<platform::SqliteSettingsStore> store;
  if (base::Status s = openSharedSettings(device, store); !s.ok()) return s;
  auto settings = store->initWithSuiteName(device.group());
  settings->setObject(value, key);
  if (!settings->synchronize()) return base::Status::IoError("cannot write the shared settings");
  return base::Status::Ok();
}

}  // namespace

int runAppRestore(const std::string& root, bool reload, const ReloadOptions& options, Io& io) {
  std::optional<device::DeviceRoot> device;
  if (base::Status s = openDevice(root, device); !s.ok()) return fail(io, "", s);
  if (telephony::isLoading(*device)) {
    io.err << "calldir app restore: warning: a request is loading now; if it is a restore from zero, its end "
              "sets CDListClearAllYN back to N, so check `calldir status` once it is done\n";
  }
  if (base::Status s = setControlKey(*device, handler::kClearAllKey, "Y"); !s.ok()) return fail(io, "", s);
  io.out << handler::kClearAllKey << " = Y: the next incremental request restores from zero\n";
  return reload ? reloadDevice(*device, options, io) : kExitOk;
}

int runAppPut(const std::string& root, const AppPutOptions& options, Io& io) {
  std::optional<device::DeviceRoot> device;
  if (base::Status s = openDevice(root, device); !s.ok()) return fail(io, "", s);
  if (options.add_file.empty() && options.del_file.empty()) {
    io.err << "calldir app put: name a list with --add FILE and/or --del FILE\n";
    return kExitBadInput;
  }
  const std::pair<const std::string*, std::string_view> lists[] = {
      {&options.del_file, handler::kDeleteListName}, {&options.add_file, handler::kAddListName}};
  // Nothing is dropped while a list it would replace still waits.
  device::RealDevice real(*device);
  const platform::Environment env = real.environment();
  storage::ListFiles files(env.files, env.bundle, env.group);
  for (const auto& [file, name] : lists) {
    if (file->empty() || options.replace) continue;
    const storage::GroupListState state = files.inspectGroupFile(name);
    if (state.kind != storage::GroupListState::Kind::kWaiting) continue;
    io.err << "calldir app put: " << name << " still waits for a request ("
           << (state.malformed ? std::string("a malformed list")
                               : std::to_string(state.elements) + " element(s)")
           << "); run `calldir reload` first, or pass --replace to drop its changes\n";
    return kExitNegative;
  }
  for (const auto& [file, name] : lists) {
    if (file->empty()) continue;
    const std::string path = platform::appendingPathComponent(device->paths().container, name);
    if (base::Status s = installListFile(*file, path, ListSource::kAuto, io); !s.ok()) {
      return fail(io, "app put", s);
    }
    io.out << "dropped " << name << " into the shared container\n";
  }
  return options.reload ? reloadDevice(*device, options.request, io) : kExitOk;
}

}  // namespace calldir::cli

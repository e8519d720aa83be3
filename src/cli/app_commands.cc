#include "cli/app_commands.h"

#include <ostream>

#include "cli/device_access.h"
#include "cli/list_install.h"
#include "handler/keys.h"
#include "platform/files.h"

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
  if (base::Status s = setControlKey(*device, handler::kClearAllKey, "Y"); !s.ok()) return fail(io, "", s);
  io.out << handler::kClearAllKey << " = Y: the next incremental request restores from zero\n";
  return reload ? reloadDevice(*device, options, io) : kExitOk;
}

int runAppPut(const std::string& root, const std::string& add_file, const std::string& del_file, bool reload,
              const ReloadOptions& options, Io& io) {
  std::optional<device::DeviceRoot> device;
  if (base::Status s = openDevice(root, device); !s.ok()) return fail(io, "", s);
  if (add_file.empty() && del_file.empty()) {
    io.err << "calldir app put: name a list with --add FILE and/or --del FILE\n";
    return kExitBadInput;
  }
  const std::pair<const std::string*, std::string_view> lists[] = {{&del_file, handler::kDeleteListName},
                                                                   {&add_file, handler::kAddListName}};
  for (const auto& [file, name] : lists) {
    if (file->empty()) continue;
    const std::string path = platform::appendingPathComponent(device->paths().container, name);
    if (base::Status s = installListFile(*file, path, ListSource::kAuto, io); !s.ok()) {
      return fail(io, "app put", s);
    }
    io.out << "dropped " << name << " into the shared container\n";
  }
  return reload ? reloadDevice(*device, options, io) : kExitOk;
}

}  // namespace calldir::cli

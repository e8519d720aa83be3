#include "cli/device_commands.h"

#include <ostream>

#include "base/json_writer.h"
#include "cli/device_access.h"

namespace calldir::cli {

int runInit(const std::string& root, const std::string& group, Io& io) {
  if (base::Status s = device::DeviceRoot::checkGroup(group); !s.ok()) return fail(io, "init", s);
  std::optional<device::DeviceRoot> existing;
  if (device::DeviceRoot::open(root, existing).ok() && existing->group() != group) {
    return fail(io,
                "init: the device root " + root + " was made for the app group \"" + existing->group() +
                    "\", not \"" + group + "\"; use --group " + existing->group() + " or another --root",
                kExitBadInput);
  }
  if (base::Status s = device::DeviceRoot::init(root, group); !s.ok()) {
    return fail(io, "init", base::Status::IoError(s.message()));
  }
  std::optional<device::DeviceRoot> device;
  if (base::Status s = openDevice(root, device); !s.ok()) return fail(io, "init", s);
  // Create the settings store now, so that other tools find it.
  std::unique_ptr<platform::SqliteSettingsStore> store;
  if (base::Status s = platform::SqliteSettingsStore::open(device->paths().settings, group, true, store);
      !s.ok()) {
    return fail(io, "init", s);
  }
  io.out << "device root " << root << " (app group " << group << ")\n";
  return kExitOk;
}

int runPaths(const std::string& root, bool json, Io& io) {
  std::optional<device::DeviceRoot> device;
  if (base::Status s = openDevice(root, device); !s.ok()) return fail(io, "", s);
  const device::DevicePaths& p = device->paths();
  const std::pair<const char*, const std::string*> rows[] = {
      {"root", &p.root},     {"container", &p.container}, {"settings", &p.settings},
      {"bundle", &p.bundle}, {"resources", &p.resources}, {"store", &p.store},
  };
  if (json) {
    base::JsonWriter out;
    out.beginObject();
    for (const auto& [name, value] : rows) out.key(name).value(*value);
    io.out << out.endObject().finish();
  } else {
    for (const auto& [name, value] : rows) io.out << name << "\t" << *value << "\n";
  }
  return kExitOk;
}

}  // namespace calldir::cli

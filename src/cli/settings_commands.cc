#include "cli/settings_commands.h"

#include <ostream>

#include "base/json_writer.h"
#include "cli/device_access.h"

namespace calldir::cli {

namespace {

// Opens the shared settings of the device at `root`.
base::Status openSettings(const std::string& root, std::optional<device::DeviceRoot>& device,
                          std::unique_ptr<platform::SqliteSettingsStore>& store) {
  if (base::Status s = openDevice(root, device); !s.ok()) return s;
  return openSharedSettings(*device, store);
}

}  // namespace

int runSettingsList(const std::string& root, bool json, Io& io) {
  std::optional<device::DeviceRoot> device;
  std::unique_ptr<platform::SqliteSettingsStore> store;
  if (base::Status s = openSettings(root, device, store); !s.ok()) return fail(io, "", s);
  platform::SettingsSnapshot values;
  if (base::Status s = store->snapshot(values); !s.ok()) return fail(io, "settings list", s);
  if (json) {
    base::JsonWriter out;
    out.beginObject();
    for (const auto& [key, value] : values) out.key(key).value(value);
    io.out << out.endObject().finish();
  } else {
    for (const auto& [key, value] : values)
      io.out << escapeForLine(key) << "\t" << escapeForLine(value) << "\n";
  }
  return kExitOk;
}

int runSettingsGet(const std::string& root, const std::string& key, Io& io) {
  std::optional<device::DeviceRoot> device;
  std::unique_ptr<platform::SqliteSettingsStore> store;
  if (base::Status s = openSettings(root, device, store); !s.ok()) return fail(io, "", s);
  // Read whole, also a value too long for the extension to take.
  platform::SettingsSnapshot values;
  if (base::Status s = store->snapshot(values); !s.ok()) return fail(io, "settings get", s);
  auto it = values.find(key);
  if (it == values.end()) {
    return fail(io, "settings get: " + key + " is not set", kExitNegative);
  }
  io.out << it->second << "\n";
  return kExitOk;
}

int runSettingsChange(const std::string& root, const std::string& key,
                      const std::optional<std::string>& value, Io& io) {
  std::optional<device::DeviceRoot> device;
  std::unique_ptr<platform::SqliteSettingsStore> store;
  if (base::Status s = openSettings(root, device, store); !s.ok()) return fail(io, "", s);
  auto settings = store->initWithSuiteName(device->group());
  if (value) {
    settings->setObject(*value, key);
  } else {
    settings->removeObjectForKey(key);
  }
  if (!settings->synchronize()) {
    return fail(io, "settings: the shared settings did not take the change to " + key, kExitFailure);
  }
  return kExitOk;
}

}  // namespace calldir::cli

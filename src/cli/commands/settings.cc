#include "cli/commands/settings.h"

#include <ostream>

#include "base/json_writer.h"

namespace calldir::cli {

void declareSettingsList(CLI::App& command, SettingsListOptions& options) {
  command.add_flag("--json", options.json, "One JSON object of key to value");
}

int runSettingsList(const SettingsListOptions& options, DeviceAccess& device, Io& io) {
  const auto values = device.openedSettings().snapshot();
  if (!values.ok()) return fail(io, "settings list", values.status());
  if (options.json) {
    base::JsonWriter out;
    out.beginObject();
    for (const auto& [key, value] : *values) out.key(key).value(value);
    io.out << out.endObject().finish();
  } else {
    for (const auto& [key, value] : *values)
      io.out << escapeForLine(key) << "\t" << escapeForLine(value) << "\n";
  }
  return kExitOk;
}

void declareSettingsGet(CLI::App& command, SettingsGetOptions& options) {
  command.add_option("KEY", options.key)->required();
}

int runSettingsGet(const SettingsGetOptions& options, DeviceAccess& device, Io& io) {
  const auto values = device.openedSettings().snapshot();
  if (!values.ok()) return fail(io, "settings get", values.status());
  const auto it = values->find(options.key);
  if (it == values->end()) return exitWith(io, "settings get: " + options.key + " is not set", kExitNegative);
  io.out << it->second << "\n";
  return kExitOk;
}

void declareSettingsSet(CLI::App& command, SettingsChangeOptions& options) {
  command.add_option("KEY", options.key)->required();
  command.add_option("VALUE", options.value)->required();
}

void declareSettingsUnset(CLI::App& command, SettingsChangeOptions& options) {
  command.add_option("KEY", options.key)->required();
}

int runSettingsChange(const SettingsChangeOptions& options, DeviceAccess& device, Io& io) {
  auto settings = device.openedSettings().initWithSuiteName(device.root().group());
  if (options.value) {
    settings->setObject(*options.value, options.key);
  } else {
    settings->removeObjectForKey(options.key);
  }
  if (!settings->synchronize()) {
    return exitWith(io, "settings: the shared settings did not take the change to " + options.key,
                    kExitFailure);
  }
  return kExitOk;
}

}  // namespace calldir::cli

// `calldir settings list|get|set|unset`: reading and writing the shared
// settings by hand.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "cli/common/device_access.h"
#include "cli/common/io.h"

namespace calldir::cli {

struct SettingsListOptions {
  bool json = false;
};
void declareSettingsList(CLI::App& command, SettingsListOptions& options);
// Every key and its value, a value too long for the extension included.
int runSettingsList(const SettingsListOptions& options, DeviceAccess& device, Io& io);

struct SettingsGetOptions {
  std::string key;
};
void declareSettingsGet(CLI::App& command, SettingsGetOptions& options);
// Exit 1 when the key is not set.
int runSettingsGet(const SettingsGetOptions& options, DeviceAccess& device, Io& io);

struct SettingsChangeOptions {
  std::string key;
  std::optional<std::string> value;  // no value: remove the key
};
void declareSettingsSet(CLI::App& command, SettingsChangeOptions& options);
void declareSettingsUnset(CLI::App& command, SettingsChangeOptions& options);
// Sets or removes the key in one write; exit 3 when the settings do not
// take it.
int runSettingsChange(const SettingsChangeOptions& options, DeviceAccess& device, Io& io);

}  // namespace calldir::cli

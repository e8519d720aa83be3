// `calldir settings ...`: reading and writing the shared settings by hand.
#pragma once

#include <optional>
#include <string>

#include "cli/io.h"

namespace calldir::cli {

struct SettingsListOptions {
  std::string root;
  bool json = false;
};
int runSettingsList(const SettingsListOptions& options, Io& io);

struct SettingsGetOptions {
  std::string root;
  std::string key;
};
// Exit 1 when the key is not set.
int runSettingsGet(const SettingsGetOptions& options, Io& io);

struct SettingsChangeOptions {
  std::string root;
  std::string key;
  std::optional<std::string> value;  // no value: remove the key
};
int runSettingsChange(const SettingsChangeOptions& options, Io& io);

}  // namespace calldir::cli

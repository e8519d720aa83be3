// `calldir settings ...`: reading and writing the shared settings by hand.
#pragma once

#include <optional>
#include <string>

#include "cli/io.h"

namespace calldir::cli {

int runSettingsList(const std::string& root, bool json, Io& io);
// Exit 1 when the key is not set.
int runSettingsGet(const std::string& root, const std::string& key, Io& io);
// Stores `value` under `key`, or removes the key when there is no value.
int runSettingsChange(const std::string& root, const std::string& key,
                      const std::optional<std::string>& value, Io& io);

}  // namespace calldir::cli

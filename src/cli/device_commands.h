// Commands on a device root: init, paths, bundle, settings and status.
#pragma once

#include <optional>
#include <string>

#include "cli/io.h"
#include "platform/device_root.h"

namespace calldir::cli {

// Opens the device at `root`, or says why not on io.err.
std::optional<platform::DeviceRoot> openDevice(const std::string& root, Io& io);

int runInit(const std::string& root, const std::string& group, Io& io);
int runPaths(const std::string& root, bool json, Io& io);

enum class ResourceMode { kAuto, kPlain, kEncoded };
// Installs FILE as the full caller list resource "callersAdd_Zero.json".
int runBundlePutResource(const std::string& root, const std::string& file, ResourceMode mode, Io& io);

int runSettingsList(const std::string& root, bool json, Io& io);
int runSettingsGet(const std::string& root, const std::string& key, Io& io);
int runSettingsSet(const std::string& root, const std::string& key, const std::string& value, Io& io);
int runSettingsUnset(const std::string& root, const std::string& key, Io& io);

int runStatus(const std::string& root, bool json, Io& io);

// Plain caller lists (first non-blank character "[" or "{") are checked and
// encoded; anything else is taken as a list text as it is. Writes the result
// to `path`. Returns an exit code; messages go to io.err prefixed by `who`.
int installListFile(const std::string& who, const std::string& source, const std::string& path,
                    ResourceMode mode, Io& io);

}  // namespace calldir::cli

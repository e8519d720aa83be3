// The platform services that the extension and the tools reach, passed in
// together. Nothing here is global: a process makes one Environment per
// device and hands it to whatever needs it.
#pragma once

#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/device_root.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "platform/sqlite_settings.h"

namespace calldir::platform {

struct Environment {
  SettingsProvider& settings;
  FileManager& files;
  Bundle& bundle;
  Clock& clock;
  std::string group;  // the app group identifier
};

// The real services of one device root.
class RealDevice {
 public:
  explicit RealDevice(const DeviceRoot& root)
      : root_(root),
        settings_(root.paths().settings, root.group()),
        files_(root.containers()),
        bundle_(root.paths().resources) {}

  Environment environment() { return {settings_, files_, bundle_, clock_, root_.group()}; }
  const DeviceRoot& root() const { return root_; }
  SqliteSettingsStore& settingsStore() { return settings_; }

 private:
  DeviceRoot root_;
  SqliteSettingsStore settings_;
  PosixFileManager files_;
  DirectoryBundle bundle_;
  SystemClock clock_;
};

}  // namespace calldir::platform

// The real platform services of one device root, wired together: the shared
// settings in the container, the shared container's files and the bundle's
// resources, and the system clock.
#pragma once

#include <memory>

#include "base/status.h"
#include "device/device_root.h"
#include "device/shared_container.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/sqlite_settings.h"

namespace calldir::device {

class RealDevice {
 public:
  // Opens the device's shared settings (creating the store when missing).
  // When they cannot be opened, the services behave as the platform's do:
  // every read finds nothing and every write is lost; `settingsStatus()`
  // says why.
  explicit RealDevice(const DeviceRoot& root);

  platform::Environment environment();
  const base::Status& settingsStatus() const { return settings_status_; }
  // The opened store, or null when it could not be opened.
  platform::SqliteSettingsStore* settingsStore() { return settings_.get(); }

 private:
  std::unique_ptr<platform::SqliteSettingsStore> settings_;
  base::Status settings_status_;
  platform::UnavailableSettingsProvider unavailable_settings_;
  SharedContainer container_;
  platform::SystemClock clock_;
};

}  // namespace calldir::device

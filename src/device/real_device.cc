#include "device/real_device.h"

namespace calldir::device {

RealDevice::RealDevice(const DeviceRoot& root)
    : root_(root),
      settings_status_(
          platform::SqliteSettingsStore::open(root.paths().settings, root.group(), true, settings_)),
      files_(root.containers()),
      bundle_(root.paths().resources) {}

platform::Environment RealDevice::environment() {
  platform::SettingsProvider& settings =
      settings_ ? static_cast<platform::SettingsProvider&>(*settings_) : unavailable_settings_;
  return {settings, files_, bundle_, clock_, root_.group()};
}

}  // namespace calldir::device

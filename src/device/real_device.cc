#include "device/real_device.h"

namespace calldir::device {

RealDevice::RealDevice(const DeviceRoot& root) : container_(root) {
  auto opened =
      platform::SqliteSettingsStore::open(root.paths().settings, root.group(), base::Access::kCreate);
  settings_status_ = opened.status();
  if (opened.ok()) settings_ = std::move(opened).value();
}

platform::Environment RealDevice::environment() {
  platform::SettingsProvider& settings =
      settings_ ? static_cast<platform::SettingsProvider&>(*settings_) : unavailable_settings_;
  return {settings, container_.files(), container_.bundle(), clock_, container_.group()};
}

}  // namespace calldir::device

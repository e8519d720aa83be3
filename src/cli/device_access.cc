#include "cli/device_access.h"

namespace calldir::cli {

base::Status openDevice(const std::string& root, std::optional<device::DeviceRoot>& out) {
  return device::DeviceRoot::open(root, out);
}

base::Status openSharedSettings(const device::DeviceRoot& device,
                                std::unique_ptr<platform::SqliteSettingsStore>& out) {
  return platform::SqliteSettingsStore::open(device.paths().settings, device.group(), false, out)
      .withContext("cannot open the shared settings");
}

base::Status openCallDirectoryStore(const device::DeviceRoot& device,
                                    std::unique_ptr<telephony::CallDirectoryStore>& out) {
  return telephony::CallDirectoryStore::open(device.paths().store, out)
      .withContext("cannot open the call directory store");
}

}  // namespace calldir::cli

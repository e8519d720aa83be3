// Opening what a command works on: the device root, its shared settings and
// its call directory store, each with an error that says what to do.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "base/status.h"
#include "device/device_root.h"
#include "platform/sqlite_settings.h"
#include "telephony/call_directory_store.h"

namespace calldir::cli {

// The device at `root`; the error says how to make one.
base::Status openDevice(const std::string& root, std::optional<device::DeviceRoot>& out);

// The device's shared settings store, which must exist already.
base::Status openSharedSettings(const device::DeviceRoot& device,
                                std::unique_ptr<platform::SqliteSettingsStore>& out);

// The telephony service's call directory store (created when missing).
base::Status openCallDirectoryStore(const device::DeviceRoot& device,
                                    std::unique_ptr<telephony::CallDirectoryStore>& out);

}  // namespace calldir::cli

// Commands that make the phone load the extension: reload, enable, disable.
#pragma once

#include <string>

#include "cli/io.h"
#include "device/device_root.h"
#include "telephony/request_driver.h"

namespace calldir::cli {

struct ReloadOptions {
  telephony::RequestOptions request;
  bool json = false;
};

// One request, as the containing application's reload asks for it.
int runReload(const std::string& root, const ReloadOptions& options, Io& io);

// The user's switch; enabling starts a load, as the platform does.
int runEnable(const std::string& root, bool enable, const ReloadOptions& options, Io& io);

// Runs one request on an opened device and prints its outcome; exit 0 when
// it completed, 1 when it failed.
int reloadDevice(const device::DeviceRoot& device, const ReloadOptions& options, Io& io);

}  // namespace calldir::cli

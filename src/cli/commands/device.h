// `calldir device damage-store` and `calldir device reset`: the emulated
// phone's own state, which no list or request changes.
#pragma once

#include "cli/common/command.h"
#include "cli/common/device_access.h"
#include "cli/common/io.h"

namespace calldir::cli {

// Damages the phone's call directory database: every later request fails
// with 11, as on a phone whose database is damaged.
int runDamageStore(const NoOptions& options, DeviceAccess& device, Io& io);

// What the phone's reset of its settings does: the damage and every entry
// gone, the extension not loaded. Refused while a request loads.
int runDeviceReset(const NoOptions& options, DeviceAccess& device, Io& io);

}  // namespace calldir::cli

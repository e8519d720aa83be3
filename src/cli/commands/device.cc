#include "cli/commands/device.h"

#include <ostream>

#include "telephony/request_driver.h"

namespace calldir::cli {

int runDamageStore(const NoOptions&, DeviceAccess& device, Io& io) {
  if (base::Status s = device.openedStore().setDamaged(true); !s.ok()) {
    return fail(io, "device damage-store", s);
  }
  io.out << "the phone's call directory database is damaged: every request fails with error 11 until "
            "`calldir device reset`\n";
  return kExitOk;
}

int runDeviceReset(const NoOptions&, DeviceAccess& device, Io& io) {
  if (base::Status s = telephony::resetCallDirectory(device.root(), device.openedStore()); !s.ok()) {
    return fail(io, "device reset", s);
  }
  io.out << "the phone's call directory database is reset: no entries, the extension not loaded; its next "
            "request is a complete one\n";
  return kExitOk;
}

}  // namespace calldir::cli

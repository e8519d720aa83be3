#include "cli/bundle_commands.h"

#include <ostream>

#include "cli/device_access.h"
#include "handler/keys.h"

namespace calldir::cli {

int runBundlePutResource(const std::string& root, const std::string& file, ListSource kind, Io& io) {
  std::optional<device::DeviceRoot> device;
  if (base::Status s = openDevice(root, device); !s.ok()) return fail(io, "", s);
  const std::string path =
      device->paths().resources + "/" + std::string(handler::kZeroResourceName) + ".json";
  if (base::Status s = installListFile(file, path, kind, lists::ListRole::kResource, io); !s.ok()) {
    return fail(io, "bundle put-resource", s);
  }
  io.out << "installed " << path << "\n";
  return kExitOk;
}

}  // namespace calldir::cli

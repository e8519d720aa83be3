#include "cli/commands/init.h"

#include <ostream>

#include "cli/common/device_access.h"

namespace calldir::cli {

void declareInit(CLI::App& command, InitOptions& options) {
  command.add_option("--group", options.group, "App group identifier; must begin with \"group.\"")
      ->type_name("ID")
      ->capture_default_str();
}

int runInit(const InitOptions& options, const std::string& root, Io& io) {
  const std::string& group = options.group;
  if (base::Status s = device::DeviceRoot::checkGroup(group); !s.ok()) return fail(io, "init", s);
  // The one command that makes a device rather than opening one.
  if (const auto existing = DeviceAccess::open(root); existing.ok() && (*existing)->root().group() != group) {
    const std::string made_for = (*existing)->root().group();
    return exitWith(io,
                    "init: the device root " + root + " was made for the app group \"" + made_for +
                        "\", not \"" + group + "\"; use --group " + made_for + " or another --root",
                    kExitBadInput);
  }
  if (base::Status s = device::DeviceRoot::init(root, group); !s.ok()) {
    return fail(io, "init", base::Status::IoError(s.message()));
  }
  auto device = DeviceAccess::open(root);
  if (!device.ok()) return fail(io, "init", device.status());
  // Create the settings store now, so that other tools find it.
  if (auto settings = (*device)->settings(); !settings.ok()) return fail(io, "init", settings.status());
  io.out << "device root " << root << " (app group " << group << ")\n";
  return kExitOk;
}

}  // namespace calldir::cli

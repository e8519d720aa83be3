#include "cli/commands/paths.h"

#include <ostream>
#include <utility>

#include "base/json_writer.h"

namespace calldir::cli {

void declarePaths(CLI::App& command, PathsOptions& options) {
  command.add_flag("--json", options.json,
                   "One JSON object: root, container, settings, bundle, resources, store");
}

int runPaths(const PathsOptions& options, DeviceAccess& device, Io& io) {
  const device::DevicePaths& p = device.root().paths();
  const std::pair<const char*, const std::string*> rows[] = {
      {"root", &p.root},     {"container", &p.container}, {"settings", &p.settings},
      {"bundle", &p.bundle}, {"resources", &p.resources}, {"store", &p.store},
  };
  if (options.json) {
    base::JsonWriter out;
    out.beginObject();
    for (const auto& [name, value] : rows) out.key(name).value(*value);
    io.out << out.endObject().finish();
  } else {
    for (const auto& [name, value] : rows) io.out << name << "\t" << *value << "\n";
  }
  return kExitOk;
}

}  // namespace calldir::cli

#include "cli/commands/bundle_put_resource.h"

#include <ostream>

#include "handler/keys.h"
#include "platform/files.h"

namespace calldir::cli {

void declareBundlePutResource(CLI::App& command, PutResourceOptions& options) {
  command
      .add_option("FILE", options.file,
                  "Plain JSON caller list (encoded on the way) or list text; - for standard input")
      ->required();
  auto* plain = command.add_flag_callback(
      "--plain", [&options] { options.form = InstallForm::kPlain; },
      "FILE is a plain JSON caller list: check and encode it");
  command
      .add_flag_callback(
          "--encoded", [&options] { options.form = InstallForm::kEncoded; },
          "FILE is a list text: copy it byte for byte")
      ->excludes(plain);
}

int runBundlePutResource(const PutResourceOptions& options, DeviceAccess& device, Io& io) {
  const std::string path = platform::appendingPathComponent(
      device.root().paths().resources, std::string(handler::kZeroResourceName) + ".json");
  const auto installed = installListFile(options.file, path, options.form, lists::ListRole::kResource, io);
  if (!installed.ok()) return fail(io, "bundle put-resource", installed.status());
  io.out << "installed " << path << "\n";
  return kExitOk;
}

}  // namespace calldir::cli

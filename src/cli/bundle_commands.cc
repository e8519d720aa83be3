#include "cli/bundle_commands.h"

#include <memory>
#include <ostream>

#include "cli/session.h"
#include "device/device_root.h"
#include "handler/keys.h"
#include "platform/files.h"

namespace calldir::cli {

int runBundlePutResource(const PutResourceOptions& options, Io& io) {
  const auto device = device::DeviceRoot::open(options.root);
  if (!device.ok()) return fail(io, "", device.status());
  const std::string path = platform::appendingPathComponent(
      device->paths().resources, std::string(handler::kZeroResourceName) + ".json");
  const auto installed = installListFile(options.file, path, options.form, lists::ListRole::kResource, io);
  if (!installed.ok()) return fail(io, "bundle put-resource", installed.status());
  io.out << "installed " << path << "\n";
  return kExitOk;
}

void addBundleCommands(CLI::App& app, Session& session) {
  auto* bundle = addGroup(app, "bundle", "The extension bundle", session);
  struct Flags {
    PutResourceOptions options;
    bool plain = false;
    bool encoded = false;
  };
  auto flags = std::make_shared<Flags>();
  auto* put = bundle->add_subcommand("put-resource",
                                     "Install FILE as the full caller list resource callersAdd_Zero.json; "
                                     "warns about what a restore would skip "
                                     "or refuse");
  put->add_option("FILE", flags->options.file,
                  "Plain JSON caller list (encoded on the way) or list text; - for standard input")
      ->required();
  auto* plain =
      put->add_flag("--plain", flags->plain, "FILE is a plain JSON caller list: check and encode it");
  put->add_flag("--encoded", flags->encoded, "FILE is a list text: copy it byte for byte")->excludes(plain);
  put->callback([&session, flags] {
    flags->options.root = session.root();
    flags->options.form = flags->plain     ? InstallForm::kPlain
                          : flags->encoded ? InstallForm::kEncoded
                                           : InstallForm::kAuto;
    session.status = runBundlePutResource(flags->options, session.io);
  });
}

}  // namespace calldir::cli

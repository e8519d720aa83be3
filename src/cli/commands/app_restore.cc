#include "cli/commands/app_restore.h"

#include "handler/keys.h"

namespace calldir::cli {

void declareAppRestore(CLI::App& command, AppRestoreOptions& options) {
  command.add_flag("--reload", options.reload, "Then have the phone load the extension");
  declareRequestOptions(command, options.request);
}

int runAppRestore(const AppRestoreOptions& options, DeviceAccess& device, Io& io) {
  if (telephony::isLoading(device.root())) {
    warn(
        io,
        "a request is loading now; if it is a restore from zero, its end sets CDListClearAllYN back to N, so "
        "check `calldir status` once it is done");
  }
  auto settings = device.openedSettings().initWithSuiteName(device.root().group());
  settings->setObject(handler::kClearAllYes, handler::kClearAllKey);
  if (!settings->synchronize())
    return fail(io, "", base::Status::IoError("cannot write the shared settings"));
  const Action action{
      [](base::JsonWriter& json) {
        json.beginObject().key("set").beginObject().key(handler::kClearAllKey).value(handler::kClearAllYes);
        json.endObject().endObject();
      },
      std::string(handler::kClearAllKey) + " = " + std::string(handler::kClearAllYes) +
          ": the next incremental request restores from zero"};
  return reportAction(device, action, options.reload, options.request, io);
}

}  // namespace calldir::cli

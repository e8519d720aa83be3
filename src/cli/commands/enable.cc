#include "cli/commands/enable.h"

namespace calldir::cli {

namespace {

int setEnabled(bool enable, const ReloadOptions& options, DeviceAccess& device, Io& io) {
  if (base::Status s = device.openedStore().setEnabled(enable); !s.ok()) return fail(io, "", s);
  const Action action{
      [enable](base::JsonWriter& json) { json.beginObject().key("enabled").value(enable).endObject(); },
      enable ? "extension enabled; the phone loads it:" : "extension disabled"};
  return reportAction(device, action, enable, options, io);
}

}  // namespace

void declareEnable(CLI::App& command, ReloadOptions& options) { declareRequestOptions(command, options); }

int runEnable(const ReloadOptions& options, DeviceAccess& device, Io& io) {
  return setEnabled(true, options, device, io);
}

void declareDisable(CLI::App& command, DisableOptions& options) {
  command.add_flag("--json", options.json, "Print the outcome as one JSON object");
}

int runDisable(const DisableOptions& options, DeviceAccess& device, Io& io) {
  ReloadOptions no_request;
  no_request.json = options.json;
  return setEnabled(false, no_request, device, io);
}

}  // namespace calldir::cli

#include "cli/commands/reload.h"

namespace calldir::cli {

void declareReload(CLI::App& command, ReloadOptions& options) {
  declareRequestKind(command, options.request);
  declareRequestOptions(command, options);
}

int runReload(const ReloadOptions& options, DeviceAccess& device, Io& io) {
  return runRequestCommand(device, options, io);
}

}  // namespace calldir::cli

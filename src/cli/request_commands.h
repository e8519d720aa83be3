// Commands that make the phone load the extension (reload, enable, disable),
// and the request that app restore and app put run when asked to.
#pragma once

#include <functional>
#include <string>

#include "base/json_writer.h"
#include "cli/io.h"
#include "device/device_root.h"
#include "telephony/request_driver.h"

namespace calldir::cli {

struct ReloadOptions {
  telephony::RequestOptions request;
  std::string trace_path;  // empty for none, "-" for standard output
  bool json = false;
};

// One request, as the containing application's reload asks for it.
int runReload(const std::string& root, const ReloadOptions& options, Io& io);

// The user's switch; enabling starts a load, as the platform does.
int runEnable(const std::string& root, bool enable, const ReloadOptions& options, Io& io);

// What a command did before the request it may run: written into the
// "action" member with --json, printed as `text` otherwise.
struct Action {
  std::function<void(base::JsonWriter&)> json;
  std::string text;
};

// Prints `action`, runs a request when `reload` is set, and prints it: with
// --json one object {"action": ..., "request": <the request or null>}.
// Returns the command's exit status: 0, 1 when the request failed, 2 or 3
// when it could not run.
int reportAction(const device::DeviceRoot& device, const Action& action, bool reload,
                 const ReloadOptions& options, Io& io);

}  // namespace calldir::cli

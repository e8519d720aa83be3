// Commands that make the phone load the extension (reload, enable, disable),
// the request options they share with app restore and app put, and the
// request that those run when asked to.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

#include "base/json_writer.h"
#include "base/result.h"
#include "cli/device_access.h"
#include "cli/io.h"
#include "telephony/request_driver.h"

namespace calldir::cli {

struct ReloadOptions {
  std::string root;
  telephony::RequestOptions request;
  std::string trace_path;  // empty for none, "-" for standard output
  bool json = false;
};

// The request options as a command line gives them, before they are checked.
struct RequestFlags {
  ReloadOptions reload;
  bool full = false;
  bool incremental = false;
  std::string memory_limit;
  std::string fail;  // CODE or CODE@N
};

// Declares --max-entries, --time-limit, --memory-limit, --trace and --json
// on `command`; each value is checked as it is parsed.
void addRequestOptions(CLI::App* command, RequestFlags& flags);

// The options of one command, once they are checked together: the one
// check of the command line (the service checks them again on its side).
base::Result<ReloadOptions> requestOptions(const RequestFlags& flags, std::string root);

// One request, as the containing application's reload asks for it.
int runReload(const ReloadOptions& options, Io& io);

struct EnableOptions {
  bool enable = true;
  ReloadOptions request;
};
// The user's switch; enabling starts a load, as the platform does.
int runEnable(const EnableOptions& options, Io& io);

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
int reportAction(DeviceAccess& device, const Action& action, bool reload, const ReloadOptions& options,
                 Io& io);

}  // namespace calldir::cli

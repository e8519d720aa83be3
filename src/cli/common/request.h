// What the commands that may have the phone load the extension share
// (reload, enable, app restore, app put): the request options, bound once
// from the command line, and the request run and reported.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

#include "base/json_writer.h"
#include "base/result.h"
#include "cli/common/device_access.h"
#include "cli/common/io.h"
#include "telephony/request_driver.h"

namespace calldir::cli {

struct ReloadOptions {
  telephony::RequestOptions request;
  std::string trace_path;  // empty for none, "-" for standard output
  bool json = false;
};

// Declares --max-entries, --time-limit, --memory-limit, --trace, --fail and
// --json on `command`, bound to `options` and checked as they are parsed;
// `--trace -` with --json is refused once the command line is read.
void declareRequestOptions(CLI::App& command, ReloadOptions& options);

// Declares --full and --incremental, which force the request's kind.
void declareRequestKind(CLI::App& command, telephony::RequestOptions& request);

// Runs one request, as the containing application's reload asks for it,
// and prints its outcome. Exit 0 when it completed, 1 when it failed.
int runRequestCommand(DeviceAccess& device, const ReloadOptions& options, Io& io);

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

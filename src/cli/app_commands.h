// Commands that act as the containing application: asking for a restore
// from zero and dropping delta lists into the shared container.
#pragma once

#include <string>

#include "cli/io.h"
#include "cli/request_commands.h"

namespace calldir::cli {

struct AppRestoreOptions {
  bool reload = false;  // then have the phone load
  ReloadOptions request;
};

// Sets the clear-all flag to "Y"; with `reload`, then has the phone load.
int runAppRestore(const AppRestoreOptions& options, Io& io);

struct AppPutOptions {
  std::string add_file;  // becomes callersAdd.json
  std::string del_file;  // becomes callersDel.json
  bool replace = false;  // replace a list that still waits for a request
  bool reload = false;
  ReloadOptions request;
};

// Drops delta lists into the container; with `reload`, then has the phone
// load. A list that still waits for a request is not replaced without
// `replace` (exit 1): its changes would be lost.
int runAppPut(const AppPutOptions& options, Io& io);

}  // namespace calldir::cli

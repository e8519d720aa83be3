// Commands that act as the containing application: asking for a restore
// from zero and dropping delta lists into the shared container.
#pragma once

#include <string>

#include "cli/io.h"
#include "cli/request_commands.h"

namespace calldir::cli {

// Sets the clear-all flag to "Y"; with `reload`, then has the phone load.
int runAppRestore(const std::string& root, bool reload, const ReloadOptions& options, Io& io);

// Drops delta lists into the container; with `reload`, then has the phone load.
int runAppPut(const std::string& root, const std::string& add_file, const std::string& del_file, bool reload,
              const ReloadOptions& options, Io& io);

}  // namespace calldir::cli

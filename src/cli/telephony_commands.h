// Commands that act as the telephony service and the containing application:
// reload, enable, disable, lookup, entries, app restore and app put.
#pragma once

#include <string>
#include <vector>

#include "cli/io.h"
#include "telephony/request_driver.h"

namespace calldir::cli {

struct ReloadOptions {
  telephony::RequestOptions request;
  bool json = false;
};

// One request, as the containing application's reload asks for it.
int runReload(const std::string& root, const ReloadOptions& options, Io& io);

// The user's switch; enabling starts a load, as the platform does.
int runEnable(const std::string& root, bool enable, const ReloadOptions& options, Io& io);

int runLookup(const std::string& root, const std::vector<std::string>& numbers, Io& io);
int runEntries(const std::string& root, bool json, Io& io);

// The containing application asks for a restore from zero.
int runAppRestore(const std::string& root, bool reload, const ReloadOptions& options, Io& io);

// The containing application drops delta lists into the container.
int runAppPut(const std::string& root, const std::string& add_file, const std::string& del_file, bool reload,
              const ReloadOptions& options, Io& io);

}  // namespace calldir::cli

// `calldir lookup`: what a call from each number shows.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "cli/common/device_access.h"
#include "cli/common/io.h"

namespace calldir::cli {

struct LookupOptions {
  std::vector<std::string> numbers;
  std::string region;              // read every NUMBER as written in this region
  bool digits_as_written = false;  // digits alone stay E.164 digits under the region
  bool json = false;               // an array of {"input", "number", "labels"}
};
void declareLookup(CLI::App& command, LookupOptions& options);

// The label(s) a call from each number shows, one line (or object) for
// each; a NUMBER that cannot be read gets its own, with the reason. Exit 2
// when one cannot be read, else 1 when one has no label. Digits alone are taken as they are; a number
// with "+" or separators, and every number under a region, is read as a
// phone number and looked up by its E.164 digits.
int runLookup(const LookupOptions& options, DeviceAccess& device, Io& io);

}  // namespace calldir::cli

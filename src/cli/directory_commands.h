// Commands that read the call directory store: what the phone shows.
#pragma once

#include <string>
#include <vector>

#include "cli/io.h"

namespace calldir::cli {

// The label(s) a call from each number shows; exit 1 when one has none.
// With `json`, an array of {"input", "number", "labels"}.
int runLookup(const std::string& root, const std::vector<std::string>& numbers, bool json, Io& io);

// Every identification entry, in number order.
int runEntries(const std::string& root, bool json, Io& io);

}  // namespace calldir::cli

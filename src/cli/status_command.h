// `calldir status`: the control keys, the status lines, the waiting delta
// lists and what the next incremental request will do.
#pragma once

#include <string>

#include "cli/io.h"

namespace calldir::cli {

int runStatus(const std::string& root, bool json, Io& io);

}  // namespace calldir::cli

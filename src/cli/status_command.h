// `calldir status`: the last request's outcome, the control keys, the status
// lines, the waiting delta lists and what the next incremental request does.
#pragma once

#include <string>

#include "cli/io.h"

namespace calldir::cli {

struct StatusOptions {
  std::string root;
  bool json = false;
  bool explain = false;  // each status line told as a sentence
};

int runStatus(const StatusOptions& options, Io& io);

}  // namespace calldir::cli

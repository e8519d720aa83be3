// `calldir version`: the version, as `calldir --version` prints it.
#pragma once

#include "cli/common/command.h"
#include "cli/common/io.h"

namespace calldir::cli {

int runVersion(const NoOptions& options, Io& io);

}  // namespace calldir::cli

#include "cli/commands/version.h"

#include <ostream>

#include "cli/common/help.h"

namespace calldir::cli {

int runVersion(const NoOptions&, Io& io) {
  io.out << versionLine() << "\n";
  return kExitOk;
}

}  // namespace calldir::cli

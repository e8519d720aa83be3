// Installing a caller list file where the extension reads it: the bundle's
// resource or a delta list in the shared container.
#pragma once

#include <string>

#include "base/status.h"
#include "cli/io.h"

namespace calldir::cli {

enum class ListSource {
  kAuto,     // plain JSON when the first non-blank character is "[" or "{", else a list text
  kPlain,    // a plain JSON caller list: checked and encoded
  kEncoded,  // a list text: copied byte for byte
};

// Installs the list read from `source` ("-" for standard input) at `path`,
// replacing what is there in one step, so that a reader never sees half a
// list. A plain list that is not a JSON array is refused.
base::Status installListFile(const std::string& source, const std::string& path, ListSource kind, Io& io);

}  // namespace calldir::cli

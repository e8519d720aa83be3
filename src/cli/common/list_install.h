// Installing a caller list file where the extension reads it: the bundle's
// resource or a delta list in the shared container.
#pragma once

#include <string>

#include "base/result.h"
#include "cli/common/io.h"
#include "lists/list_check.h"

namespace calldir::cli {

// What FILE is taken for.
enum class InstallForm {
  kAuto,     // plain JSON when the first non-blank character is "[" or "{", else a list text
  kPlain,    // a plain JSON caller list: checked and encoded
  kEncoded,  // a list text: copied byte for byte
};

// Installs the list read from `source` ("-" for standard input) at `path`,
// replacing what is there in one step, so that a reader never sees half a
// list. A plain list is checked before anything is written, and refused
// when it is not a JSON array. What a request in `role` would skip or refuse
// in it is said on io.err, with the first problems; the list is installed
// all the same. Gives the check of the installed list.
base::Result<lists::CheckReport> installListFile(const std::string& source, const std::string& path,
                                                 InstallForm form, lists::ListRole role, Io& io);

// Writes the list `plain` to `path` ("" or "-": standard output) as plain
// JSON, or with `encode` as a list text ending with a line feed.
base::Status writeListFile(const std::string& path, const std::string& plain, bool encode, Io& io);

}  // namespace calldir::cli

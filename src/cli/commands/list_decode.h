// `calldir list decode`: a list text into its plain text (or CSV), exactly
// as the extension reads list files.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli/common/io.h"

namespace calldir::cli {

struct ListDecodeOptions {
  std::string input = "-";
  std::string output;
  bool to_csv = false;  // write CSV (number,name) instead of the plain JSON text
};
void declareListDecode(CLI::App& command, ListDecodeOptions& options);

// Decodes a list text the way the extension reads list files and writes the
// plain text; names the layer that failed when it does not decode.
int runListDecode(const ListDecodeOptions& options, Io& io);

}  // namespace calldir::cli

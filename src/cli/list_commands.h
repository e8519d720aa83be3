// `calldir list ...`: turning plain JSON caller lists into list texts and back.
#pragma once

#include <cstdint>
#include <string>

#include "cli/io.h"

namespace calldir::cli {

struct ListEncodeOptions {
  std::string input = "-";
  std::string output;  // empty: standard output
  std::uint64_t line_length = 0;
  bool raw = false;  // encode any bytes, without checking for a JSON array
};

// Encodes a plain caller list into a list text under the list key.
int runListEncode(const ListEncodeOptions& options, Io& io);

struct ListDecodeOptions {
  std::string input = "-";
  std::string output;
};

// Decodes a list text the way the extension reads list files and writes the
// plain text; names the layer that failed when it does not decode.
int runListDecode(const ListDecodeOptions& options, Io& io);

}  // namespace calldir::cli

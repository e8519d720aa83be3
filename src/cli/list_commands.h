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

struct ListCheckOptions {
  std::string input = "-";
  bool json = false;
};

// Reads a list text the way the extension does and reports what a request
// would do with it. Exit 0 when every element is applied and nothing would be
// refused, 1 when something is skipped or refused (or the list holds no
// data), 2 when the text does not decode or parse.
int runListCheck(const ListCheckOptions& options, Io& io);

}  // namespace calldir::cli

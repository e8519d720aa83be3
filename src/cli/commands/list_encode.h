// `calldir list encode`: a plain JSON caller list (or CSV) into a list text.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>

#include "cli/common/io.h"
#include "cli/common/list_input.h"

namespace calldir::cli {

struct ListEncodeOptions {
  std::string input = "-";
  std::string output;  // empty: standard output
  std::uint64_t line_length = 0;
  bool raw = false;  // encode any bytes, without checking for a JSON array
  ListInputOptions format;
};
void declareListEncode(CLI::App& command, ListEncodeOptions& options);

// Encodes a plain caller list into a list text under the list key; the text
// ends with a line feed.
int runListEncode(const ListEncodeOptions& options, Io& io);

}  // namespace calldir::cli

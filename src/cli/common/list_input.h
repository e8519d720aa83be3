// A list as a producer hands it to a list command: a list text, a plain
// JSON list or a CSV export, from a file, a pipe or standard input, in
// UTF-8 or a named legacy encoding.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "base/result.h"
#include "cli/common/io.h"
#include "lists/csv.h"

namespace calldir::cli {

struct ListInputOptions {
  bool from_csv = false;
  // Take the bytes as they are: no byte-order mark skipped, no UTF-16 named.
  bool any_bytes = false;
  lists::CsvOptions csv;  // columns, and the encoding (which a JSON input may name too)
};

struct ListInput {
  std::string data;                    // a list text or a plain JSON list
  std::vector<std::size_t> csv_lines;  // for CSV input: the line each element began on
  bool from_csv = false;
  // The lines to number problems by, or null to count them in the JSON.
  const std::vector<std::size_t>* sourceLines() const { return from_csv ? &csv_lines : nullptr; }
};

// Reads `path` ("-" for standard input) as `options` say.
base::Result<ListInput> readListInput(const std::string& path, const ListInputOptions& options, Io& io);

// Declares --from, --number-column, --name-column and --encoding, bound to
// `options`.
void declareListInput(CLI::App& command, ListInputOptions& options);

}  // namespace calldir::cli

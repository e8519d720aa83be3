// `calldir list fix`: the producer's repairs, a list the platform accepts
// and that means what its author meant.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli/common/io.h"
#include "cli/common/list_input.h"
#include "lists/list_fix.h"

namespace calldir::cli {

struct ListFixOptions {
  std::string input = "-";
  ListInputOptions format;
  std::string output;   // empty or "-": standard output
  std::string rejects;  // empty: none; else the CSV of every element not written
  lists::FixOptions fix;
  bool encode = false;  // write a list text instead of plain JSON
  bool json = false;    // the report as JSON on standard output (then `output` is required)
};
void declareListFix(CLI::App& command, ListFixOptions& options);

// Writes the fixed list; the report of what changed goes to standard error,
// or with --json to standard output. Exit 0 when the list was written, 1
// when conflicts stopped it (nothing written), 2 when the list does not
// decode or parse.
int runListFix(const ListFixOptions& options, Io& io);

}  // namespace calldir::cli

// `calldir list fix` and `calldir list diff`: the producer's repairs and
// day-to-day delta lists.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli/io.h"
#include "cli/list_input.h"
#include "lists/caller_entries.h"
#include "lists/list_fix.h"

namespace calldir::cli {

struct ListFixOptions {
  std::string input = "-";
  ListInputOptions format;
  std::string output;  // empty or "-": standard output
  lists::FixOptions fix;
  bool encode = false;  // write a list text instead of plain JSON
  bool json = false;    // the report as JSON on standard output (then `output` is required)
};

// Writes the fixed list; the report of what changed goes to standard error,
// or with --json to standard output. Exit 0 when the list was written, 1
// when conflicts stopped it (nothing written), 2 when the list does not
// decode or parse.
int runListFix(const ListFixOptions& options, Io& io);

struct ListDiffOptions {
  ListInputOptions format;  // of both lists
  std::string old_input;
  std::string new_input;
  std::string del_output;
  std::string add_output;
  lists::ReadEntriesOptions read;  // how both lists' numbers are read
  bool plain = false;              // plain JSON instead of list texts
  bool json = false;
};

// Writes the delete list and the add list that turn a store holding OLD into
// NEW, both read as `list fix` reads them. Exit 2 when a list holds a number
// twice, when a number cannot be read, or when a list does not decode or
// parse.
int runListDiff(const ListDiffOptions& options, Io& io);

struct Session;
// Declares `list fix` and `list diff` in the group `list`.
void addListFixCommands(CLI::App* list, Session& session);

}  // namespace calldir::cli

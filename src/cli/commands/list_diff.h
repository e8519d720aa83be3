// `calldir list diff`: the delete and add lists that turn a store holding
// one full list into one holding the next.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli/common/io.h"
#include "cli/common/list_input.h"
#include "lists/caller_entries.h"
#include "lists/list_fix.h"

namespace calldir::cli {

struct ListDiffOptions {
  ListInputOptions format;  // of both lists
  std::string old_input;
  std::string new_input;
  std::string del_output;
  std::string add_output;
  lists::ReadEntriesOptions read;  // how both lists' numbers are read: region, doubtful, digits
  lists::ConflictRule on_conflict = lists::ConflictRule::kFail;
  std::string rejects;  // empty: none; else the CSV of every element left out
  bool plain = false;   // plain JSON instead of list texts
  bool json = false;
};
void declareListDiff(CLI::App& command, ListDiffOptions& options);

// Writes the delete list and the add list that turn a store holding OLD into
// NEW: the diff of the two lists as `list fix` with the same options would
// write them. What a fix leaves out (placeholders, numbers that cannot be
// read) is counted and, with `rejects`, named. Exit 2 when a number has
// several names and --on-conflict does not settle them, or when a list does
// not decode or parse.
int runListDiff(const ListDiffOptions& options, Io& io);

}  // namespace calldir::cli

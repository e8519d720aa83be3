// `calldir list diff`: the delete and add lists that turn a store holding
// one full list into one holding the next.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli/common/io.h"
#include "cli/common/list_input.h"
#include "lists/caller_entries.h"

namespace calldir::cli {

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
void declareListDiff(CLI::App& command, ListDiffOptions& options);

// Writes the delete list and the add list that turn a store holding OLD into
// NEW, both read as `list fix` reads them. Exit 2 when a list holds a number
// twice, when a number cannot be read, or when a list does not decode or
// parse.
int runListDiff(const ListDiffOptions& options, Io& io);

}  // namespace calldir::cli

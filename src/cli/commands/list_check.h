// `calldir list check`: what the extension will make of a list before it
// ships.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <ostream>
#include <string>

#include "cli/common/io.h"
#include "cli/common/list_input.h"
#include "lists/list_check.h"

namespace calldir::cli {

struct ListCheckOptions {
  std::string input = "-";
  std::uint64_t max_expand = lists::kDefaultMaxExpand;
  ListInputOptions format;
  lists::ListRole role = lists::ListRole::kResource;
  std::string region;
  bool digits_as_written = false;
  bool json = false;
  std::string output = "text";  // text, json, github or sarif
};
void declareListCheck(CLI::App& command, ListCheckOptions& options);

// Reads a list (a list text or plain JSON) the way the extension does and
// reports what a request would do with it, as text, JSON, GitHub workflow
// annotations or a SARIF log. Exit 0 when nothing is skipped,
// refused or warned about, 1 otherwise (or when the list holds no data), 2
// when it does not decode or parse.
int runListCheck(const ListCheckOptions& options, Io& io);

// Prints `report` for `name` as text: the verdict, the problems listed, a
// line of totals per kind.
void printCheckReport(const lists::CheckReport& report, const std::string& name, std::ostream& out);

}  // namespace calldir::cli

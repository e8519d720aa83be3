// `calldir list ...`: turning plain JSON caller lists into list texts and
// back, and checking a list before it ships.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>

#include "base/json_writer.h"
#include "cli/io.h"
#include "cli/list_input.h"
#include "lists/list_check.h"

namespace calldir::cli {

struct ListEncodeOptions {
  std::string input = "-";
  std::string output;  // empty: standard output
  std::uint64_t line_length = 0;
  bool raw = false;  // encode any bytes, without checking for a JSON array
  ListInputOptions format;
};

// Encodes a plain caller list into a list text under the list key; the text
// ends with a line feed.
int runListEncode(const ListEncodeOptions& options, Io& io);

struct ListDecodeOptions {
  std::string input = "-";
  std::string output;
  bool to_csv = false;  // write CSV (number,name) instead of the plain JSON text
};

// Decodes a list text the way the extension reads list files and writes the
// plain text; names the layer that failed when it does not decode.
int runListDecode(const ListDecodeOptions& options, Io& io);

struct ListCheckOptions {
  std::string input = "-";
  std::uint64_t max_expand = lists::kDefaultMaxExpand;
  ListInputOptions format;
  lists::ListRole role = lists::ListRole::kResource;
  std::string region;
  bool json = false;
};

// Reads a list (a list text or plain JSON) the way the extension does and
// reports what a request would do with it. Exit 0 when nothing is skipped,
// refused or warned about, 1 otherwise (or when the list holds no data), 2
// when it does not decode or parse.
int runListCheck(const ListCheckOptions& options, Io& io);

// Writes `problems` as the JSON array of every list report.
void writeProblems(base::JsonWriter& json, const std::vector<lists::Problem>& problems);

// A check for CLI11 options: a two-letter region code libphonenumber knows.
CLI::Validator knownRegion();

// Declares --role and --region, as list check and list fix take them.
void addRoleAndRegion(CLI::App* command, std::string& role, std::string& region);

// Prints `report` for `name` as text: the verdict, the problems listed, a
// line of totals per kind.
void printCheckReport(const lists::CheckReport& report, const std::string& name, std::ostream& out);

}  // namespace calldir::cli

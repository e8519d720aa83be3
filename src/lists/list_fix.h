// `list fix`: a list the platform accepts and that means what its author
// meant. Numbers written with "+" or separators, and every number under a
// region, are read with libphonenumber and written as E.164 digits without
// "+"; elements a reader would skip are dropped; other members go; the
// elements are sorted by number; exact repeats go; the same number with
// different names is a conflict, settled as the caller says.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "base/result.h"
#include "lists/list_check.h"

namespace calldir::lists {

enum class ConflictRule {
  kFail,   // report every conflict and write nothing
  kFirst,  // keep the name that comes first in the list
  kLast,   // keep the name that comes last
};

struct FixOptions {
  ListRole role = ListRole::kResource;
  std::string region;  // empty: none
  ConflictRule on_conflict = ConflictRule::kFail;
  std::size_t listed_per_kind = 20;
};

// Codes of what a fix drops, beside the check's not_object, no_number and
// no_name.
inline constexpr const char* kUnreadableNumber = "unreadable_number";
inline constexpr const char* kConflict = "conflict";

struct FixReport {
  std::size_t elements = 0;
  std::size_t written = 0;
  std::map<std::string, std::size_t> dropped;  // per code
  std::size_t numbers_rewritten = 0;
  std::size_t members_removed = 0;  // elements that lost members other than "number" and "name"
  std::size_t repeats = 0;          // exact repeats dropped
  std::size_t conflicts = 0;        // numbers with more than one name
  bool reordered = false;
  bool failed = false;            // conflicts under ConflictRule::kFail: nothing written
  std::vector<Problem> problems;  // dropped elements (the first per code) and every conflict
};

struct FixResult {
  std::string plain;  // the fixed list, one element per line; empty when conflicts stopped it
  FixReport report;
};

// Fixes the list in `data` (a list text or plain JSON). An invalid-argument
// error when it does not decode or parse.
base::Result<FixResult> fixList(std::string data, const FixOptions& options);

}  // namespace calldir::lists

// `list fix`: a list the platform accepts and that means what its author
// meant. Numbers are read as NumberReader reads them and written as E.164
// digits without "+"; a number libphonenumber holds invalid (doubtful) is
// dropped unless kept on request, one that cannot be read at all is
// dropped; elements a reader would skip are dropped; other members go; the
// elements are sorted by number; exact repeats go; the same number with
// different names is a conflict, settled as the caller says. Whatever a fix
// writes, `list check` with the same region finds nothing to warn about but
// labels (written as they are, in Unicode NFC) when it reads the digits as
// written (`digits_as_written`): the fixed list holds
// E.164 digits, which the region might read as another number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/result.h"
#include "lists/caller_entries.h"
#include "lists/list_check.h"

namespace calldir::lists {

class NumberReader;

enum class ConflictRule {
  kFail,   // report every conflict and write nothing
  kFirst,  // keep the name that comes first in the list
  kLast,   // keep the name that comes last
};

// An element, or one number of a range, that a fix does not write.
struct Reject {
  std::size_t element = 0;          // counted from 1
  std::optional<std::size_t> line;  // for plain JSON or CSV input
  const char* code = "";            // a problem code, "repeat" or kConflict
  std::string_view text;            // the number as written, or the element for one without a number
  std::string_view reading;         // what the number would have been (E.164 digits), when it reads as one
};

struct FixOptions {
  ListRole role = ListRole::kResource;
  std::string region;              // empty: none
  bool digits_as_written = false;  // digits alone are E.164 digits even where the region reads them otherwise
  ConflictRule on_conflict = ConflictRule::kFail;
  bool keep_doubtful = false;                    // write a doubtful number as what it would become
  bool expand_ranges = false;                    // write every number of a range ("+82 1588-####")
  std::uint64_t max_expand = kDefaultMaxExpand;  // a range of more numbers is refused
  std::size_t listed_per_kind = 20;              // problems kept in the report per code
  // Shown every element that is not written, and why, when given.
  std::function<void(const Reject&)> reject;
  // For a list made from CSV: the CSV line each element came from.
  const std::vector<std::size_t>* source_lines = nullptr;
  // Told how many elements of how many are done, now and then.
  std::function<void(std::size_t done, std::size_t total)> progress;
  // When given, the fixed list is written through it a piece at a time
  // instead of kept whole in FixResult::plain.
  std::function<base::Status(std::string_view piece)> write;
  // When given, the entries written go to it, as a reader of the fixed list
  // would take them, instead of a text (FixResult::plain stays empty).
  CallerEntries* entries = nullptr;
  // When given, numbers are read with it instead of a reader of `region`
  // and `digits_as_written` (it must be one): lists fixed one after the
  // other with one reader are read faster, as what it learnt holds.
  NumberReader* reader = nullptr;
};

// "fail", "first" or "last".
const char* conflictRuleName(ConflictRule rule);

// Codes of what a fix drops beside the check's: a conflict, and (for a
// Reject only) an exact repeat.
inline constexpr const char* kConflict = problemName(ProblemCode::kConflict);
inline constexpr const char* kRepeat = "repeat";  // for Reject only: an exact repeat

// A number with more than one name, and every element that gave it one.
struct Conflict {
  struct Name {
    std::string name;
    std::vector<std::size_t> elements;  // counted from 1
    std::vector<std::size_t> lines;     // for plain JSON or CSV input
  };
  std::int64_t number = 0;
  std::vector<Name> names;          // in the order they first appear
  std::optional<std::size_t> kept;  // into names; none under ConflictRule::kFail
  // 'the number N has 2 names: "A" (line 4), "B" (lines 9, 12); kept "B" (--on-conflict last)'.
  std::string describe(ConflictRule rule) const;
};

struct FixReport {
  std::size_t elements = 0;
  std::size_t written = 0;
  std::map<std::string, std::size_t> dropped;  // per code
  std::size_t numbers_rewritten = 0;
  std::size_t members_removed = 0;   // elements that lost members other than "number" and "name"
  std::size_t repeats = 0;           // exact repeats dropped
  std::size_t conflicts = 0;         // numbers with more than one name
  std::size_t doubtful_kept = 0;     // doubtful numbers written, as asked
  std::size_t ambiguous = 0;         // digits alone written as the region reads them, not as written
  std::size_t names_normalized = 0;  // names written in Unicode NFC, not as written
  std::size_t ranges = 0;            // ranges expanded
  std::uint64_t range_numbers = 0;   // the numbers they expanded to
  bool reordered = false;
  bool failed = false;                  // conflicts under ConflictRule::kFail: nothing written
  std::vector<Problem> problems;        // dropped elements (the first per code) and every conflict
  std::vector<Conflict> conflict_list;  // every conflict
};

struct FixResult {
  std::string
      plain;  // the fixed list, one element per line; empty when conflicts stopped it or it was written
  FixReport report;
};

// Fixes the list in `data` (a list text or plain JSON). An invalid-argument
// error when it does not decode or parse.
base::Result<FixResult> fixList(std::string data, const FixOptions& options);

}  // namespace calldir::lists

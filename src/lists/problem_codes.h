// The problems the list tools find in a caller list, one row per code: its
// name (in text and JSON output), what it means and what to do. `list check`
// warns with these codes and `list fix` drops with the same ones, so a
// check predicts a fix element by element; the README's table of warnings
// is this table (a test compares them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>

namespace calldir::lists {

enum class ProblemCode : std::uint8_t {
  kReadsDifferently,
  kAmbiguous,
  kNotInternational,
  kUnreadableNumber,
  kDoubtful,
  kLabel,
  kRange,
  kNotPositive,
  kNoNumber,
  kNoName,
  kNotObject,
  kOutOfOrder,
  kDuplicate,
  kConflict,
};

struct ProblemKind {
  ProblemCode code;
  const char* name;   // "reads_differently"
  const char* means;  // what it means, for the README
  const char* to_do;  // what to do, and what `list fix` does with it
};

inline constexpr ProblemKind kProblemKinds[] = {
    {ProblemCode::kReadsDifferently, "reads_differently",
     "the text means another number than the digits the extension takes (`010-1234-5678` is 10 to it)",
     "`list fix --region CC` writes its E.164 digits"},
    {ProblemCode::kAmbiguous, "ambiguous",
     "digits alone that are a valid international number and, under `--region`, another valid number "
     "(`2057590750` in US)",
     "`list fix` writes the region's reading and tells each one; `--digits-as-written` keeps them as "
     "written"},
    {ProblemCode::kNotInternational, "not_international",
     "the digits the extension takes can never be an international number, and no region reads the text",
     "name the region with `--region`, or write the number with `+`; `list fix` drops it"},
    {ProblemCode::kUnreadableNumber, "unreadable_number",
     "the text holds more than a number (`821012345671 (mobile)`, `a/b`, `ext. 12`): the extension takes "
     "its leading digits, but it reads as no one phone number",
     "write one number per element and nothing else; `list fix` drops it"},
    {ProblemCode::kDoubtful, "doubtful", "libphonenumber reads the text but holds the number invalid",
     "correct it at the source; `list fix` drops it (`--keep-doubtful` keeps it)"},
    {ProblemCode::kLabel, "label",
     "a label a phone shows badly or deceptively: nothing but spaces, control characters, marks that reorder "
     "text (a right-to-left override shows it backwards), characters that show as nothing, or more than 100 "
     "characters",
     "correct it at the source; `list fix` writes every name without surrounding white space and in Unicode "
     "NFC (a name composed and decomposed, or with a space after it, is one name, not a conflict) and says "
     "how many it rewrote"},
    {ProblemCode::kRange, "range",
     "a number whose last digits are `#` (`+82 1588-####`), which the extension "
     "takes as its leading digits",
     "`list fix --expand-ranges` writes every number of it (at most `--max-expand`)"},
    {ProblemCode::kNotPositive, "not_positive", "the text gives 0 (`N/A`, empty): no phone number",
     "`list fix` drops it"},
    {ProblemCode::kNoNumber, "no_number",
     "no `number` text (absent, empty or not a string): a reader skips it", "`list fix` drops it"},
    {ProblemCode::kNoName, "no_name", "no `name` text in a list that adds: a reader skips it",
     "`list fix` drops it (a list of numbers only is a delete list: `--role del`)"},
    {ProblemCode::kNotObject, "not_object", "an element that is not an object: a reader skips it",
     "`list fix` drops it"},
    {ProblemCode::kOutOfOrder, "out_of_order", "the platform refuses the whole load (error 3)",
     "`list fix` sorts the list"},
    {ProblemCode::kDuplicate, "duplicate", "the platform refuses the whole load (error 4)",
     "`list fix` drops exact repeats"},
    {ProblemCode::kConflict, "conflict",
     "(`list fix`) one number with several names; every name is told with its lines and the one kept",
     "`--on-conflict first` or `last`"},
};

constexpr bool rowsInCodeOrder() {
  for (std::size_t i = 0; i < std::size(kProblemKinds); ++i) {
    if (static_cast<std::size_t>(kProblemKinds[i].code) != i) return false;
  }
  return true;
}
static_assert(rowsInCodeOrder(), "one row per code, in the order of the codes");

constexpr const ProblemKind& problemKind(ProblemCode code) {
  return kProblemKinds[static_cast<std::size_t>(code)];
}
constexpr const char* problemName(ProblemCode code) { return problemKind(code).name; }

// The README's table of problems: a header and one row per code.
std::string problemTable();

}  // namespace calldir::lists

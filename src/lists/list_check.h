// What a request would do with a caller list, checked before it ships: the
// verdict of the load (what it adds or removes, or the platform's refusal
// and where), every element a reader skips, every number that cannot be an
// international number or that reads as another one in the producer's
// region, every number libphonenumber holds invalid. Problems carry the
// element, counted from 1, and for plain JSON or CSV the line it starts on.
// Numbers are read as NumberReader reads them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "lists/problem_codes.h"
#include "platform/call_directory.h"
#include "storage/caller_list.h"
#include "storage/list_content.h"

namespace calldir::lists {

// Which file a list is meant to be.
enum class ListRole {
  kResource,  // callersAdd_Zero.json: a restore from zero adds it whole
  kAdd,       // callersAdd.json: an update adds it
  kDel,       // callersDel.json: an update removes its numbers; no "name" needed
};

const char* roleName(ListRole role);                       // "resource", "add", "del"
std::optional<ListRole> roleNamed(std::string_view name);  // of "resource", "add" or "del"

// The names of the problem codes (problem_codes.h), as reports carry them.
inline constexpr const char* kNotObject = problemName(ProblemCode::kNotObject);
inline constexpr const char* kNoNumber = problemName(ProblemCode::kNoNumber);
inline constexpr const char* kNoName = problemName(ProblemCode::kNoName);
inline constexpr const char* kNotPositive = problemName(ProblemCode::kNotPositive);
inline constexpr const char* kOutOfOrder = problemName(ProblemCode::kOutOfOrder);
inline constexpr const char* kDuplicate = problemName(ProblemCode::kDuplicate);
inline constexpr const char* kNotInternational = problemName(ProblemCode::kNotInternational);
inline constexpr const char* kReadsDifferently = problemName(ProblemCode::kReadsDifferently);
inline constexpr const char* kDoubtfulNumber = problemName(ProblemCode::kDoubtful);
inline constexpr const char* kAmbiguous = problemName(ProblemCode::kAmbiguous);
inline constexpr const char* kLabel = problemName(ProblemCode::kLabel);
inline constexpr const char* kRange = problemName(ProblemCode::kRange);
inline constexpr const char* kUnreadableNumber = problemName(ProblemCode::kUnreadableNumber);

// The most numbers one range may expand to, unless told otherwise.
inline constexpr std::uint64_t kDefaultMaxExpand = 100'000;

struct CheckOptions {
  ListRole role = ListRole::kResource;
  std::string region;              // empty: none; else a region code such as "KR"
  bool digits_as_written = false;  // digits alone are E.164 digits even where the region reads them otherwise
  std::int64_t max_entries = platform::kDefaultMaximumEntries;  // the phone's cap, for a restore from zero
  std::size_t listed_per_kind = 20;                             // problems kept in `problems` per code
  // Read exactly as the extension reads the file: a plain JSON list is then
  // a list text that does not decode, not a list.
  bool as_stored = false;
  // For a list made from CSV: the CSV line each element came from.
  const std::vector<std::size_t>* source_lines = nullptr;
  // Told how many elements of how many are done, now and then.
  std::function<void(std::size_t done, std::size_t total)> progress;
  std::uint64_t max_expand = kDefaultMaxExpand;  // as `list fix --max-expand` will take it
  // Shown each element as the walk reaches it, with the plain text the
  // elements point into, for a caller that reads the list too.
  std::function<void(std::size_t index, const storage::CallerEntry&, std::string_view text)> each;
};

// How often the list tools tell their progress: every this many elements.
inline constexpr std::size_t kProgressEvery = 4096;

struct Problem {
  std::size_t element = 0;          // counted from 1
  std::optional<std::size_t> line;  // for plain JSON input
  std::string code;
  std::string message;
};

struct CheckReport {
  storage::ListContent::Kind content = storage::ListContent::Kind::kList;  // what the list holds
  codec::DecodeFailure failure = codec::DecodeFailure::kNone;              // for kUndecodable
  bool malformed = false;     // list data that is not a JSON array
  std::string why_malformed;  // what it is instead, in a few words
  bool plain_input = false;
  ListRole role = ListRole::kResource;
  std::size_t elements = 0;
  std::size_t applied = 0;          // entries added, or numbers removed for a del list
  std::uint64_t range_numbers = 0;  // the numbers `list fix --expand-ranges` would write for its ranges
  // Where the platform would stop the load, and with what.
  struct Refusal {
    platform::CallDirectoryError error;
    std::size_t element = 0;
    std::optional<std::size_t> line;
  };
  std::optional<Refusal> refusal;             // the first the platform would stop at
  std::vector<Problem> problems;              // the first `listed_per_kind` of each code
  std::map<std::string, std::size_t> counts;  // every problem, per code

  std::size_t problemCount() const;
  // A list of elements: it decoded, held data and parsed.
  bool isList() const { return content == storage::ListContent::Kind::kList && !malformed; }
  // "list", "undecodable", "no_data" or "malformed".
  const char* outcomeName() const;
  // True when nothing is skipped, refused or warned about.
  bool clean() const { return isList() && problemCount() == 0 && !refusal; }
  // The first line of the check: what the load does.
  std::string verdict() const;
};

// Checks the list in `data` (a list text or plain JSON).
CheckReport checkList(std::string data, const CheckOptions& options);

// As checkList, giving back the plain text it read too, for a caller that
// goes on with it (and would otherwise need a copy of a large list).
struct CheckedList {
  CheckReport report;
  std::string plain;
};
CheckedList checkAndKeepList(std::string data, const CheckOptions& options);

// As checkAndKeepList, for a list already read (a list file, as ListFiles
// reads it).
CheckedList checkListContent(storage::ListContent content, const CheckOptions& options);

}  // namespace calldir::lists

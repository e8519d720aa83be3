// The caller list format: a JSON array of entries {"number": "<digits>",
// "name": "<label>"}, applied in array order, stored as a list text. This
// file holds the readers' rules: the 16-character threshold, what a reader
// takes from an entry, and a check that tells what a request would do with a
// list before it ships.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codec/text_decoding.h"
#include "platform/json.h"

namespace calldir::storage {

// A plain text shorter than this, in UTF-16 code units, holds no list data.
inline constexpr std::size_t kMinimumListLength = 16;

// True when `plain` is long enough to be parsed as a list.
bool holdsListData(const std::optional<std::string>& plain);

// The members of a caller entry that readers look at; others are ignored.
inline constexpr std::string_view kNumberMember = "number";
inline constexpr std::string_view kNameMember = "name";

// One element of a caller list, as a reader sees it. Texts point into the
// list's document and live as long as it.
struct CallerEntry {
  bool is_object = false;
  // The "number" and "name" texts; no value when absent or not strings.
  std::optional<std::string_view> number;
  std::optional<std::string_view> name;
  // The element's JSON text as written.
  std::string_view raw;
};

// Calls `visit` with each element of a parsed caller list, in list order.
void forEachCallerEntry(platform::JsonDocument& list,
                        const std::function<void(std::size_t index, const CallerEntry&)>& visit);

// Parses a plain list text. No result when it is not JSON, or when its top
// level is not an array (an object with members is no caller list either).
std::unique_ptr<platform::JsonDocument> parseCallerList(std::string plain);

// How an element renders in a log line: compact JSON, members as written.
std::string describeElement(const CallerEntry& element);

// What a reader does with one element.
enum class ElementUse { kApplied, kNotObject, kNoNumber, kNoName };

// For the adding readers (restore and "callersAdd.json"): both members needed.
ElementUse useForAdding(const CallerEntry& element);
// For "callersDel.json": only "number" is needed.
ElementUse useForRemoving(const CallerEntry& element);

const char* describeElementUse(ElementUse use);

// The report of `calldir list check`.
struct ListReport {
  enum class Outcome {
    kList,         // parsed: the counts below apply
    kUndecodable,  // the list text does not decode (see `failure`)
    kNoData,       // decoded, but shorter than 16 characters: a list without data
    kMalformed,    // 16 characters or more, but not a JSON array
  };
  struct Finding {
    std::size_t index;
    std::string reason;
  };
  Outcome outcome = Outcome::kList;
  codec::DecodeFailure failure = codec::DecodeFailure::kNone;
  std::size_t elements = 0;
  std::size_t added = 0;                          // entries a restore from zero would add
  std::vector<Finding> skipped;                   // elements a reader skips, with why
  std::vector<Finding> refused;                   // what the platform would refuse
  std::optional<std::size_t> first_out_of_order;  // index of the first addition that does not ascend

  // True when every element is applied and nothing would be refused.
  bool clean() const { return outcome == Outcome::kList && skipped.empty() && refused.empty(); }
};

// Reads the stored list text `stored` exactly as the extension does and
// reports what a restore from zero would do with it.
ListReport checkListText(std::string stored);

}  // namespace calldir::storage

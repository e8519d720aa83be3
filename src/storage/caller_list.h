// The caller list format: a JSON array of entries {"number": "<digits>",
// "name": "<label>"}, applied in array order, stored as a list text. This
// file holds the readers' rules: the 16-character threshold and what a
// reader takes from an entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "codec/text_decoding.h"
#include "platform/json.h"

namespace calldir::storage {

// A plain text shorter than this, in UTF-16 code units, holds no list data.
inline constexpr std::size_t kMinimumListLength = 16;

// True when the plain text `plain` is long enough to be parsed as a list.
bool holdsListData(std::string_view plain);

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

// Walks the caller list in `plain` while checking it, in one pass (see
// JsonDocument::walkOnce): when the text turns out malformed, `visit` has
// seen the elements before the fault.
platform::JsonDocument::WalkResult walkCallerListOnce(
    std::string& plain, const std::function<void(std::size_t index, const CallerEntry&)>& visit);

// Parses a plain list text. No result when it is not JSON, or when its top
// level is not an array (an object with members is no caller list either).
std::unique_ptr<platform::JsonDocument> parseCallerList(std::string plain);

// As parseCallerList, with an invalid-argument error that says in a few
// words what the text is instead of a caller list.
base::Result<std::unique_ptr<platform::JsonDocument>> readCallerList(std::string plain);

// The number of elements of the caller list in `plain`; no value when it is
// malformed (not a JSON array).
std::optional<std::size_t> countListElements(std::string plain);

// How an element renders in a log line: compact JSON, members as written.
std::string describeElement(const CallerEntry& element);

// What a reader does with one element.
enum class ElementUse { kApplied, kNotObject, kNoNumber, kNoName };

// For the adding readers (restore and "callersAdd.json"): both members needed.
ElementUse useForAdding(const CallerEntry& element);
// For "callersDel.json": only "number" is needed.
ElementUse useForRemoving(const CallerEntry& element);

}  // namespace calldir::storage

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

// Walks the caller list in `plain` while checking it, in one pass (see
// JsonDocument::walkOnce): when the text turns out malformed, `visit` has
// seen the elements before the fault.
platform::JsonDocument::WalkResult walkCallerListOnce(
    std::string& plain, const std::function<void(std::size_t index, const CallerEntry&)>& visit);

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

}  // namespace calldir::storage

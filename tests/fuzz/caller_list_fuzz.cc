// The caller-list parser accepts what a strict JSON parser accepts, walks
// every element once, and hands out member texts and element texts that are
// themselves valid UTF-8 and JSON.
#include <simdjson.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "platform/json.h"
#include "platform/text.h"
#include "storage/caller_list.h"

namespace {

using calldir::fuzz::require;

// The depth of the deepest value, as the DOM parser sees it.
std::size_t depth(simdjson::dom::element e) {
  std::size_t deepest = 0;
  simdjson::dom::array array;
  simdjson::dom::object object;
  if (!e.get(array)) {
    for (auto child : array) deepest = std::max(deepest, depth(child));
    return deepest + 1;
  }
  if (!e.get(object)) {
    for (auto field : object) deepest = std::max(deepest, depth(field.value));
    return deepest + 1;
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  auto list = calldir::storage::parseCallerList(text);

  simdjson::dom::parser oracle;
  simdjson::dom::element root;
  const auto error = oracle.parse(text).get(root);
  if (!error && root.is_array() && depth(root) <= 500) require(list != nullptr, "every JSON array parses");
  if (list != nullptr) {
    // Numbers beyond 64 bits are the one thing the oracle refuses and the
    // platform's parser takes.
    require(!error || error == simdjson::NUMBER_OUT_OF_RANGE || error == simdjson::NUMBER_ERROR,
            "only JSON parses");
  }
  // The one-pass walk agrees: the same verdict, the same elements.
  std::string copy = text;
  std::vector<std::string> once;
  auto describe = [](std::string_view raw, std::optional<std::string_view> number,
                     std::optional<std::string_view> name) {
    return std::string(raw) + "\x1f" + std::string(number.value_or("\x1e")) + "\x1f" +
           std::string(name.value_or("\x1e"));
  };
  const auto walked =
      calldir::storage::walkCallerListOnce(copy, [&](std::size_t, const calldir::storage::CallerEntry& e) {
        once.push_back(describe(e.raw, e.number, e.name));
      });
  require((walked == calldir::platform::JsonDocument::WalkResult::kArray) == (list != nullptr),
          "the one-pass walk takes what the parser takes");
  // Walked in pieces of a few bytes, it sees what it sees in one piece: on
  // a malformed text, the one sequence begins the other.
  static constexpr std::string_view kKeys[] = {calldir::storage::kNumberMember,
                                               calldir::storage::kNameMember};
  std::string pieces = text;
  std::vector<std::string> in_pieces;
  const char* last = nullptr;
  const auto walked_in_pieces = calldir::platform::JsonDocument::walkOnce(
      pieces, kKeys,
      [&](std::size_t index, const calldir::platform::JsonElementView& e) {
        require(index == in_pieces.size() && e.raw.data() > last, "pieces visit each element once, in order");
        last = e.raw.data();
        in_pieces.push_back(describe(e.raw, e.members[0], e.members[1]));
      },
      8);
  require(pieces == text, "a walk in pieces leaves the text as it was");
  require(walked_in_pieces == walked, "a walk in pieces takes what a walk in one takes");
  const std::size_t common = std::min(once.size(), in_pieces.size());
  require(std::equal(once.begin(), once.begin() + static_cast<std::ptrdiff_t>(common), in_pieces.begin()),
          "a walk in pieces sees the elements a walk in one sees");
  if (walked == calldir::platform::JsonDocument::WalkResult::kArray) {
    require(once.size() == in_pieces.size(), "a walk in pieces sees every element");
  }
  if (list == nullptr) return 0;

  std::size_t visited = 0;
  calldir::storage::forEachCallerEntry(*list, [&](std::size_t index, const calldir::storage::CallerEntry& e) {
    require(index == visited++, "elements come in order, each once");
    if (e.number) require(calldir::platform::isValidUtf8(*e.number), "a number text is UTF-8");
    if (e.name) require(calldir::platform::isValidUtf8(*e.name), "a name text is UTF-8");
    simdjson::dom::parser element_parser;
    simdjson::dom::element element;
    const auto element_error = element_parser.parse(std::string(e.raw)).get(element);
    require(!element_error || element_error == simdjson::NUMBER_OUT_OF_RANGE ||
                element_error == simdjson::NUMBER_ERROR,
            "an element's text is JSON");
    require(e.is_object == (!element_error && element.is_object()) || element_error, "objects are objects");
    (void)calldir::storage::describeElement(e);
    require(visited <= once.size() && once[visited - 1] == describe(e.raw, e.number, e.name),
            "both walks see the same elements");
  });
  require(visited == list->count(), "the walk visits every counted element");
  return 0;
}

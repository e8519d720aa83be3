#include "storage/caller_list.h"

#include "platform/text.h"

namespace calldir::storage {

bool holdsListData(std::string_view plain) { return platform::utf16LengthAtLeast(plain, kMinimumListLength); }

namespace {

constexpr std::string_view kMembers[] = {kNumberMember, kNameMember};

CallerEntry entryOf(const platform::JsonElementView& element) {
  return CallerEntry{element.is_object, element.members[0], element.members[1], element.raw};
}

}  // namespace

void forEachCallerEntry(platform::JsonDocument& list,
                        const std::function<void(std::size_t index, const CallerEntry&)>& visit) {
  list.forEachElement(kMembers, [&](std::size_t index, const platform::JsonElementView& element) {
    visit(index, entryOf(element));
  });
}

platform::JsonDocument::WalkResult walkCallerListOnce(
    std::string& plain, const std::function<void(std::size_t index, const CallerEntry&)>& visit) {
  return platform::JsonDocument::walkOnce(
      plain, kMembers,
      [&](std::size_t index, const platform::JsonElementView& element) { visit(index, entryOf(element)); });
}

std::unique_ptr<platform::JsonDocument> parseCallerList(std::string plain) {
  auto document = readCallerList(std::move(plain));
  return document.ok() ? std::move(document).value() : nullptr;
}

base::Result<std::unique_ptr<platform::JsonDocument>> readCallerList(std::string plain) {
  auto document = platform::JsonDocument::read(std::move(plain));
  if (document.ok() && (*document)->kind() != platform::JsonDocument::Kind::kArray) {
    return base::Status::InvalidArgument("its top level is an object, not an array");
  }
  return document;
}

std::optional<std::size_t> countListElements(std::string plain) {
  auto list = parseCallerList(std::move(plain));
  if (!list) return std::nullopt;
  return list->count();
}

std::string describeElement(const CallerEntry& element) { return platform::compactJson(element.raw); }

ElementUse useForAdding(const CallerEntry& element) {
  if (!element.is_object) return ElementUse::kNotObject;
  if (!element.number || element.number->empty()) return ElementUse::kNoNumber;
  if (!element.name || element.name->empty()) return ElementUse::kNoName;
  return ElementUse::kApplied;
}

ElementUse useForRemoving(const CallerEntry& element) {
  if (!element.is_object) return ElementUse::kNotObject;
  if (!element.number || element.number->empty()) return ElementUse::kNoNumber;
  return ElementUse::kApplied;
}

}  // namespace calldir::storage

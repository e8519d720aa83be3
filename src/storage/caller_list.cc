#include "storage/caller_list.h"

#include "platform/text.h"

namespace calldir::storage {

bool holdsListData(const std::optional<std::string>& plain) {
  return plain && platform::utf16LengthAtLeast(*plain, kMinimumListLength);
}

void forEachCallerEntry(platform::JsonDocument& list,
                        const std::function<void(std::size_t index, const CallerEntry&)>& visit) {
  static constexpr std::string_view kMembers[] = {kNumberMember, kNameMember};
  list.forEachElement(kMembers, [&](std::size_t index, const platform::JsonElementView& element) {
    visit(index, CallerEntry{element.is_object, element.members[0], element.members[1], element.raw});
  });
}

std::unique_ptr<platform::JsonDocument> parseCallerList(std::string plain) {
  auto document = platform::JsonDocument::parse(std::move(plain));
  if (document && document->kind() != platform::JsonDocument::Kind::kArray) return nullptr;
  return document;
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

const char* describeElementUse(ElementUse use) {
  switch (use) {
    case ElementUse::kApplied:
      return "applied";
    case ElementUse::kNotObject:
      return "not an object";
    case ElementUse::kNoNumber:
      return "no \"number\" text (absent, empty or not a string)";
    case ElementUse::kNoName:
      return "no \"name\" text (absent, empty or not a string)";
  }
  return "unknown";
}

ListReport checkListText(std::string stored) {
  ListReport report;
  if (!platform::isValidUtf8(stored)) {
    // The file layer reads such bytes as no text, which counts as empty.
    report.outcome = ListReport::Outcome::kNoData;
    report.failure = codec::DecodeFailure::kTooShort;
    return report;
  }
  codec::DecodedText decoded = codec::decodeListText(std::move(stored));
  if (decoded.failure != codec::DecodeFailure::kNone && decoded.failure != codec::DecodeFailure::kTooShort) {
    report.outcome = ListReport::Outcome::kUndecodable;
    report.failure = decoded.failure;
    return report;
  }
  if (!holdsListData(decoded.text)) {
    report.outcome = ListReport::Outcome::kNoData;
    report.failure = decoded.failure;
    return report;
  }
  auto list = parseCallerList(std::move(*decoded.text));
  if (!list) {
    report.outcome = ListReport::Outcome::kMalformed;
    return report;
  }
  report.elements = list->count();
  std::optional<std::int64_t> previous;
  forEachCallerEntry(*list, [&](std::size_t index, const CallerEntry& element) {
    const ElementUse use = useForAdding(element);
    if (use != ElementUse::kApplied) {
      report.skipped.push_back({index, describeElementUse(use)});
      return;
    }
    ++report.added;
    const std::int64_t number = platform::integerValue(*element.number);
    if (number <= 0) {
      report.refused.push_back({index, "number \"" + std::string(*element.number) + "\" converts to " +
                                           std::to_string(number) + ", not a positive phone number"});
    }
    if (previous && number == *previous) {
      report.refused.push_back(
          {index, "number " + std::to_string(number) + " repeats the previous addition (duplicate entries)"});
    } else if (previous && number < *previous && !report.first_out_of_order) {
      report.first_out_of_order = index;
      report.refused.push_back({index, "number " + std::to_string(number) + " is lower than the previous " +
                                           std::to_string(*previous) + " (entries out of order)"});
    }
    previous = number;
  });
  return report;
}

}  // namespace calldir::storage

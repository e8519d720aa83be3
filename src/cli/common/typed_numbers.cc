#include "cli/common/typed_numbers.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "base/json_quote.h"
#include "lists/phone_numbers.h"

namespace calldir::cli {

base::Result<TypedNumber> typedNumber(std::string_view text, lists::NumberReader& reader) {
  // A number the store holds that no phone number is: negative ("-5"), or
  // of 19 digits (9223372036854775807, what an over-long text becomes). The
  // store holds such numbers as the extension took them from a list.
  const bool negative = text.starts_with('-') && lists::isDigitsOnly(text.substr(1));
  if (negative || (lists::isDigitsOnly(text) && text.size() == 19)) {
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error == std::errc() && end == text.data() + text.size()) return TypedNumber{number, {}};
  }
  const lists::NumberReading reading = reader.read(text);
  std::string digits = reading.digits;
  if (reading.kind == lists::NumberReading::Kind::kUnreadable) {
    if (!lists::isDigitsOnly(text)) {
      return base::Status::InvalidArgument(reader.whyNotValid(text, reading) +
                                           " (give digits alone, an international number such as +82 "
                                           "10-1234-5678, or --region)");
    }
    digits = std::string(text);
  }
  std::int64_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (digits.size() > 18 || error != std::errc() || end != digits.data() + digits.size()) {
    return base::Status::InvalidArgument("\"" + std::string(text) + "\" is too long for a phone number");
  }
  return TypedNumber{number, reading};
}

base::Result<std::vector<std::int64_t>> typedNumbers(const std::vector<std::string>& texts,
                                                     const std::string& region) {
  lists::NumberReader reader(region);
  std::vector<std::int64_t> numbers;
  for (const std::string& text : texts) {
    const auto number = typedNumber(text, reader);
    if (!number.ok()) return number.status();
    numbers.push_back(number->number);
  }
  return numbers;
}

std::vector<std::string> likelyRegions(telephony::CallDirectoryStore& store) {
  std::map<std::string, std::size_t> counts;
  for (std::int64_t number : store.someNumbers(1000).valueOr({})) {
    const std::string region = lists::regionOfDigits(std::to_string(number));
    if (!region.empty()) ++counts[region];
  }
  std::vector<std::pair<std::size_t, std::string>> ranked;
  for (const auto& [region, count] : counts) ranked.emplace_back(count, region);
  std::sort(ranked.rbegin(), ranked.rend());
  std::vector<std::string> out;
  for (std::size_t i = 0; i < ranked.size() && i < 3; ++i) out.push_back(ranked[i].second);
  return out;
}

base::Result<std::vector<OtherReading>> otherReadings(std::string_view text, std::int64_t number,
                                                      const std::vector<std::string>& regions,
                                                      telephony::CallDirectoryStore& store) {
  std::vector<OtherReading> out;
  for (const std::string& region : regions) {
    lists::NumberReader reader(region);
    const auto other = typedNumber(text, reader);
    if (!other.ok() || other->number == number) continue;
    auto labels = store.labelsFor(other->number);
    if (!labels.ok()) return labels.status();
    out.push_back({region, other->number, std::move(labels).value()});
  }
  return out;
}

std::optional<std::string> noPhoneNumberNote(std::int64_t number) {
  if (number >= 0 && number < 1'000'000'000'000'000'000) return std::nullopt;
  return std::to_string(number) +
         " is no phone number: the store holds it only as the extension took a list's text (a minus sign, or "
         "digits past 18, which become 9223372036854775807); `calldir why` names the element";
}

std::optional<std::string> missHint(std::string_view text, std::int64_t number,
                                    const std::vector<OtherReading>& others) {
  std::string hint;
  const std::string digits = std::to_string(number);
  if (!text.empty() && text.front() == '0' && lists::isDigitsOnly(text)) {
    hint = std::string(text) + " can never be an international number (no country code begins with 0)";
  } else if (lists::isDigitsOnly(text) && lists::regionOfDigits(digits).empty()) {
    hint = digits + " begins with no country code";
  }
  for (const OtherReading& other : others) {
    hint += std::string(hint.empty() ? "" : "; ") + "with --region " + other.region + " it is " +
            std::to_string(other.number) + ", which " +
            (other.labels.empty() ? std::string("has no label either")
                                  : "shows " + base::jsonQuote(other.labels[0]));
  }
  if (hint.empty()) return std::nullopt;
  return hint;
}

}  // namespace calldir::cli

#include "lists/number_reader.h"

#include <phonenumbers/phonenumberutil.h>

#include <algorithm>
#include <set>

#include "lists/phone_numbers.h"

namespace calldir::lists {

namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

PhoneNumberUtil& util() { return *PhoneNumberUtil::GetInstance(); }

constexpr std::size_t kBlockDigits = 4;      // the digits that vary within a block
constexpr std::size_t kShortestBlocked = 8;  // national numbers shorter than this are decided one by one
constexpr std::string_view kSentinels[] = {"0000", "1234", "5555", "9999"};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Digits, spaces, "-", "." and parentheses, and a "+" only in front: what
// libphonenumber reads as the digits alone.
bool plainlyWritten(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  return std::any_of(text.begin(), text.end(), isDigit) &&
         std::all_of(text.begin(), text.end(), [](char c) { return isDigit(c) || isNumberSeparator(c); });
}

// The block of `digits` (8 to 17 of them): all but the last four, and the
// length, which tells leading zeros apart.
std::uint64_t blockKey(std::string_view digits) {
  std::uint64_t value = 0;
  for (char c : digits.substr(0, digits.size() - kBlockDigits))
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  return value * 32 + digits.size();
}

// The E.164 digits of national `digits` in a block of the shape `shape`:
// its country code, and the leading digits (a trunk prefix) dropped.
std::string e164Of(const std::pair<int, std::size_t>& shape, std::string_view digits) {
  return std::to_string(shape.first) + std::string(digits.substr(shape.second));
}

std::string digitsOf(std::string_view text) {
  std::string out;
  std::copy_if(text.begin(), text.end(), std::back_inserter(out), isDigit);
  return out;
}

// The number a country code and national digits name, as libphonenumber
// keeps it once parsed: leading zeros apart from the value.
PhoneNumber numberOf(int country_code, std::string_view national) {
  PhoneNumber number;
  number.set_country_code(country_code);
  std::uint64_t value = 0;
  for (char c : national) value = value * 10 + static_cast<std::uint64_t>(c - '0');
  number.set_national_number(value);
  const auto zeros = static_cast<int>(national.find_first_not_of('0') == std::string_view::npos
                                          ? national.size() - 1
                                          : national.find_first_not_of('0'));
  if (zeros > 0) number.set_italian_leading_zero(true);
  if (zeros > 1) number.set_number_of_leading_zeros(zeros);
  return number;
}

}  // namespace

NumberReader::NumberReader(std::string region, bool digits_as_written)
    : region_(std::move(region)), digits_as_written_(digits_as_written) {
  std::transform(region_.begin(), region_.end(), region_.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (!region_.empty()) region_code_ = std::to_string(util().GetCountryCodeForRegion(region_));
  std::set<int> codes;
  util().GetSupportedCallingCodes(&codes);
  for (int code : codes) {
    if (code > 0 && code < 1000) calling_codes_.set(static_cast<std::size_t>(code));
  }
}

NumberReader::Verdict NumberReader::exactVerdict(int country_code, std::string_view national) const {
  const PhoneNumber number = numberOf(country_code, national);
  if (!util().IsPossibleNumber(number)) return Verdict::kImpossible;
  return util().IsValidNumber(number) ? Verdict::kValid : Verdict::kInvalid;
}

NumberReader::Verdict NumberReader::verdictOf(std::string_view digits) {
  if (digits.size() < 2 || digits.size() > 17 || digits[0] == '0') return Verdict::kImpossible;
  // Country codes are prefix-free: at most one of the first three prefixes is one.
  std::size_t code_length = 0;
  int code = 0;
  for (std::size_t length = 1; length <= std::min<std::size_t>(3, digits.size()) && code_length == 0;
       ++length) {
    code = code * 10 + (digits[length - 1] - '0');
    if (calling_codes_.test(static_cast<std::size_t>(code))) code_length = length;
  }
  const std::string_view national = digits.substr(code_length);
  if (code_length == 0 || national.empty()) return Verdict::kImpossible;
  if (national.size() < kShortestBlocked) return exactVerdict(code, national);
  // A block is made only for possible numbers, and whether a number is
  // possible depends on its length alone.
  const std::uint64_t key = blockKey(digits);
  auto block = blocks_.find(key);
  if (block == blocks_.end()) {
    if (!util().IsPossibleNumber(numberOf(code, national))) return Verdict::kImpossible;
    const std::string_view head = national.substr(0, national.size() - kBlockDigits);
    const bool all_valid =
        std::all_of(std::begin(kSentinels), std::end(kSentinels), [&](std::string_view tail) {
          return exactVerdict(code, std::string(head) + std::string(tail)) == Verdict::kValid;
        });
    block = blocks_.emplace(key, all_valid).first;
  }
  return block->second ? Verdict::kValid : exactVerdict(code, national);
}

std::optional<std::string> NumberReader::nationalDigits(std::string_view digits) {
  if (region_.empty() || digits.size() < kShortestBlocked || digits.size() > 17) return std::nullopt;
  const std::uint64_t key = blockKey(digits);
  auto block = national_.find(key);
  if (block == national_.end()) {
    const std::string head(digits.substr(0, digits.size() - kBlockDigits));
    std::optional<std::pair<int, std::size_t>> shape;
    for (std::string_view tail : kSentinels) {
      const std::string sentinel = head + std::string(tail);
      PhoneNumber number;
      std::string e164;
      if (util().Parse(sentinel, region_, &number) != PhoneNumberUtil::NO_PARSING_ERROR) break;
      util().Format(number, PhoneNumberUtil::E164, &e164);
      const std::string code = std::to_string(number.country_code());
      const std::size_t kept = e164.size() - 1 - code.size();
      if (kept > sentinel.size() ||
          e164.compare(1 + code.size(), kept, sentinel, sentinel.size() - kept) != 0)
        break;
      const std::pair<int, std::size_t> this_shape{number.country_code(), sentinel.size() - kept};
      if (shape && *shape != this_shape) break;
      shape = this_shape;
      if (tail == kSentinels[std::size(kSentinels) - 1]) block = national_.emplace(key, shape).first;
    }
    if (block == national_.end()) block = national_.emplace(key, std::nullopt).first;
  }
  if (!block->second) return std::nullopt;
  return e164Of(*block->second, digits);
}

std::optional<std::string> NumberReader::regionReading(std::string_view digits) {
  // A block the region's reading already knows answers at once; otherwise
  // one parse of the text costs less than a block's four sentinels, as most
  // valid international numbers are no national number of the region.
  if (digits.size() >= kShortestBlocked && digits.size() <= 17) {
    const auto block = national_.find(blockKey(digits));
    if (block != national_.end() && block->second) {
      std::string national = e164Of(*block->second, digits);
      if (verdictOf(national) != Verdict::kValid) return std::nullopt;
      return national;
    }
  }
  NumberReading reading = parsed(digits);
  if (reading.kind != NumberReading::Kind::kRead) return std::nullopt;
  return std::move(reading.digits);
}

NumberReading NumberReader::parsed(std::string_view text) {
  auto known = parsed_.find(std::string(text));
  if (known != parsed_.end()) return known->second;
  NumberReading reading;
  PhoneNumber number;
  if (util().Parse(std::string(text), region_.empty() ? "ZZ" : region_, &number) ==
      PhoneNumberUtil::NO_PARSING_ERROR) {
    util().Format(number, PhoneNumberUtil::E164, &reading.digits);
    reading.digits.erase(0, 1);
    reading.kind = util().IsValidNumber(number) ? NumberReading::Kind::kRead : NumberReading::Kind::kDoubtful;
  }
  return parsed_.emplace(std::string(text), std::move(reading)).first->second;
}

NumberReading NumberReader::read(std::string_view written) {
  using Kind = NumberReading::Kind;
  const std::string_view text = trimmedOfBlanks(written);
  if (isDigitsOnly(text)) {
    const Verdict as_written = verdictOf(text);
    if (as_written == Verdict::kValid) {
      // Digits that begin with the region's own country code are its E.164
      // digits (what `list fix` writes), not a national number.
      if (!region_.empty() && !digits_as_written_ && !text.starts_with(region_code_)) {
        if (auto national = regionReading(text); national && *national != text) {
          return {Kind::kRead, std::move(*national), std::string(text)};
        }
      }
      return {Kind::kAsWritten, std::string(text), {}};
    }
    if (region_.empty()) {
      return as_written == Verdict::kInvalid ? NumberReading{Kind::kDoubtful, std::string(text), {}}
                                             : NumberReading{};
    }
  }
  if (!plainlyWritten(text)) return parsed(text);
  const std::string digits = digitsOf(text);
  if (text.front() == '+') {
    if (verdictOf(digits) == Verdict::kValid) return {Kind::kRead, digits, {}};
  } else if (auto national = nationalDigits(digits)) {
    // The block's shape is how libphonenumber parses every number of it, so
    // an invalid one needs no parse of its own to say what it would be.
    const Verdict verdict = verdictOf(*national);
    if (verdict == Verdict::kValid) return {Kind::kRead, std::move(*national), {}};
    if (verdict == Verdict::kInvalid) return {Kind::kDoubtful, std::move(*national), {}};
  }
  return parsed(text);
}

std::string NumberReader::describeAmbiguity(std::string_view written, const NumberReading& reading) const {
  const std::string where = regionOfDigits(reading.other);
  return "\"" + std::string(trimmedOfBlanks(written)) + "\" reads two ways: " + reading.digits +
         " as written in " + region_ + ", or " + reading.other + " as E.164 digits" +
         (where.empty() ? "" : " (a number in " + where + ")");
}

std::string NumberReader::whyNotValid(std::string_view written, const NumberReading& reading) const {
  const std::string_view text = trimmedOfBlanks(written);
  const std::string quoted = "\"" + std::string(text) + "\"";
  if (reading.kind == NumberReading::Kind::kDoubtful) {
    const std::string invalid =
        "libphonenumber does not hold it a valid number (a wrong length, or digits no "
        "number has there)";
    if (reading.digits == digitsOf(text) && text.front() != '0')
      return quoted + " is no valid number: " + invalid;
    return quoted + " would be " + reading.digits + ", but " + invalid +
           (region_.empty() ? "" : "; the numbers are read as written in " + region_);
  }
  if (text.find('.') != std::string_view::npos &&
      (text.find("E+") != std::string_view::npos || text.find("e+") != std::string_view::npos)) {
    return quoted +
           " is a number a spreadsheet wrote in scientific notation, its last digits lost; format the "
           "column as text and export again";
  }
  if (region_.empty()) {
    return quoted +
           " is no international number (begin it with + and the country code, or name the region it "
           "is written in with --region)";
  }
  return quoted + " is no phone number in " + region_;
}

}  // namespace calldir::lists

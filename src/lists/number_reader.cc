#include "lists/number_reader.h"

#include <phonenumbers/phonenumberutil.h>

#include <algorithm>
#include <set>
#include <span>
#include <vector>

#include "lists/phone_numbers.h"

namespace calldir::lists {

namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

PhoneNumberUtil& util() { return *PhoneNumberUtil::GetInstance(); }

// A block is the numbers of one length that differ only in their last
// `tail` digits. Until it has been met a few times (no more than it has
// sentinels), its numbers are decided one by one, so numbers spread thinly
// over a numbering plan cost one call each. Then it is decided: taken as a
// whole when libphonenumber says the same of each of its sentinels, or else
// left to the narrower blocks within it and at last to each number. A wide block (a million
// numbers) is never taken as invalid as a whole: where valid numbers are few
// (the Caribbean's in +1), all its sentinels may miss them.
struct BlockLevel {
  std::size_t tail;             // the digits that vary within a block
  std::size_t shortest;         // numbers shorter than this have no block of this width
  std::uint32_t verdict_after;  // meetings before a verdict block is decided
  std::uint32_t shape_after;    // and a shape block
  bool takes_invalid;           // whether a block whose sentinels are all invalid is taken as invalid
};
constexpr std::string_view kNarrowTails[] = {"0000", "1234", "5555", "9999"};
constexpr BlockLevel kLevels[] = {{6, 9, 32, 10, false}, {4, 8, 2, 2, true}};
constexpr std::size_t kNarrow = 1;  // the level of the narrow blocks
constexpr std::size_t kShortestBlocked = kLevels[kNarrow].shortest;
// Verdicts on numbers decided one by one are kept, up to this many (about
// 40 MB).
constexpr std::size_t kAloneKept = 1 << 20;

// The sentinels of the blocks of `level`, as tails. A wide block's are the
// narrow tails after two digits: for a verdict, every pair of them, as a
// number plan may set a digit apart only after another ("696 5[0-6]" in
// Martinique); for a shape, which follows a trunk prefix and a length, each
// digit once in each place.
std::vector<std::string> sentinelTails(const BlockLevel& level, bool shape) {
  if (level.tail == kNarrowTails[0].size()) return {std::begin(kNarrowTails), std::end(kNarrowTails)};
  std::vector<std::string> tails;
  for (std::size_t pair = 0; pair < 100; pair += shape ? 11 : 1) {
    const std::size_t first = shape ? pair / 11 : pair / 10;  // shapes: 09, 18, ..., 90
    const std::size_t second = shape ? 9 - first : pair % 10;
    tails.push_back(std::string{static_cast<char>('0' + first), static_cast<char>('0' + second)} +
                    std::string(kNarrowTails[(first + second) % std::size(kNarrowTails)]));
  }
  return tails;
}

// Counts a meeting with `block`, decides it with `decide` when that is due,
// and gives what every number of it is: none while it is undecided, or when
// its numbers differ.
template <typename T, typename Decide>
std::optional<T> meet(NumberBlock<T>& block, std::uint32_t after, Decide decide) {
  if (!block.decided && ++block.met >= after) {
    block.decided = true;
    block.uniform = decide();
  }
  return block.uniform;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Digits, spaces, "-", "." and parentheses, and a "+" only in front: what
// libphonenumber reads as the digits alone.
bool plainlyWritten(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  return std::any_of(text.begin(), text.end(), isDigit) &&
         std::all_of(text.begin(), text.end(), [](char c) { return isDigit(c) || isNumberSeparator(c); });
}

// The value of up to 19 digits.
std::uint64_t valueOf(std::string_view digits) {
  std::uint64_t value = 0;
  for (char c : digits) value = value * 10 + static_cast<std::uint64_t>(c - '0');
  return value;
}

// The block of `digits` (8 to 17 of them) at `level`: all but its tail,
// the length, which tells leading zeros apart, and the level.
std::uint64_t blockKey(std::string_view digits, std::size_t level) {
  const std::uint64_t head = valueOf(digits.substr(0, digits.size() - kLevels[level].tail));
  return (head * 32 + digits.size()) * std::size(kLevels) + level;
}

// A number of 2 to 17 digits: its value and its length, which tells leading
// zeros apart.
std::uint64_t numberKey(std::string_view digits) { return valueOf(digits) * 32 + digits.size(); }

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
  number.set_national_number(valueOf(national));
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

NumberReader::Verdict NumberReader::possibleVerdict(int country_code, std::string_view national) const {
  return util().IsValidNumber(numberOf(country_code, national)) ? Verdict::kValid : Verdict::kInvalid;
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
  // Whether a number is possible depends on its length alone.
  std::int8_t& possible = possible_[static_cast<std::size_t>(code) * 18 + national.size()];
  if (possible < 0) possible = util().IsPossibleNumber(numberOf(code, national)) ? 1 : 0;
  if (possible == 0) return Verdict::kImpossible;
  // A number that no block answers is asked about once, and meets its
  // narrow block once: lists repeat numbers, and `list diff` reads two lists
  // of mostly the same ones.
  for (std::size_t level = 0; level < std::size(kLevels); ++level) {
    const BlockLevel& at = kLevels[level];
    if (national.size() < at.shortest) continue;
    NumberBlock<Verdict>& block = blocks_[blockKey(digits, level)];
    // Only a number whose narrow block was met before can have been asked about.
    if (level == kNarrow && block.met > 0 && !block.uniform) {
      if (const auto known = alone_.find(numberKey(digits)); known != alone_.end()) return known->second;
    }
    const auto uniform = meet(block, at.verdict_after, [&]() -> std::optional<Verdict> {
      const std::string head(national.substr(0, national.size() - at.tail));
      std::optional<Verdict> all;
      for (const std::string& tail : sentinelTails(at, false)) {
        const Verdict verdict = possibleVerdict(code, head + tail);
        if ((all && verdict != *all) || (verdict == Verdict::kInvalid && !at.takes_invalid))
          return std::nullopt;
        all = verdict;
      }
      return all;
    });
    if (uniform) return *uniform;
  }
  const Verdict verdict = possibleVerdict(code, national);
  if (national.size() >= kShortestBlocked && alone_.size() < kAloneKept)
    alone_.emplace(numberKey(digits), verdict);
  return verdict;
}

std::optional<NumberReader::Shape> NumberReader::shapeOf(std::string_view head, std::size_t level,
                                                         bool international) const {
  std::optional<Shape> shape;
  for (const std::string& tail : sentinelTails(kLevels[level], true)) {
    const std::string sentinel = std::string(head) + tail;
    PhoneNumber number;
    std::string e164;
    if (util().Parse(international ? "+" + sentinel : sentinel, international ? "ZZ" : region_, &number) !=
        PhoneNumberUtil::NO_PARSING_ERROR)
      return std::nullopt;
    util().Format(number, PhoneNumberUtil::E164, &e164);
    const std::string code = std::to_string(number.country_code());
    const std::size_t kept = e164.size() - 1 - code.size();
    if (kept > sentinel.size() || e164.compare(1 + code.size(), kept, sentinel, sentinel.size() - kept) != 0)
      return std::nullopt;
    const Shape this_shape{number.country_code(), sentinel.size() - kept};
    if (shape && *shape != this_shape) return std::nullopt;
    shape = this_shape;
  }
  return shape;
}

std::optional<std::string> NumberReader::shapedDigits(std::string_view digits, bool international) {
  if ((region_.empty() && !international) || digits.size() < kShortestBlocked || digits.size() > 17)
    return std::nullopt;
  auto& shapes = international ? international_ : national_;
  for (std::size_t level = 0; level < std::size(kLevels); ++level) {
    if (digits.size() < kLevels[level].shortest) continue;
    const auto shape = meet(shapes[blockKey(digits, level)], kLevels[level].shape_after, [&] {
      return shapeOf(digits.substr(0, digits.size() - kLevels[level].tail), level, international);
    });
    if (shape) return e164Of(*shape, digits);
  }
  return std::nullopt;
}

std::optional<std::string> NumberReader::regionReading(std::string_view digits) {
  // A block the region's reading already knows answers at once; otherwise
  // one parse of the text costs less than a block's sentinels, as most
  // valid international numbers are no national number of the region.
  for (std::size_t level = 0; level < std::size(kLevels); ++level) {
    if (digits.size() < kLevels[level].shortest || digits.size() > 17) continue;
    const auto block = national_.find(blockKey(digits, level));
    if (block != national_.end() && block->second.uniform) {
      std::string national = e164Of(*block->second.uniform, digits);
      if (verdictOf(national) != Verdict::kValid) return std::nullopt;
      return national;
    }
  }
  NumberReading reading = parsed(digits);
  if (reading.kind != NumberReading::Kind::kRead) return std::nullopt;
  return std::move(reading.digits);
}

NumberReading NumberReader::parsed(std::string_view text,
                                   std::optional<std::pair<std::string_view, Verdict>> known_verdict) {
  auto known = parsed_.find(std::string(text));
  if (known != parsed_.end()) return known->second;
  NumberReading reading;
  PhoneNumber number;
  if (util().Parse(std::string(text), region_.empty() ? "ZZ" : region_, &number) ==
      PhoneNumberUtil::NO_PARSING_ERROR) {
    util().Format(number, PhoneNumberUtil::E164, &reading.digits);
    reading.digits.erase(0, 1);
    const bool valid = known_verdict && known_verdict->first == reading.digits
                           ? known_verdict->second == Verdict::kValid
                           : util().IsValidNumber(number);
    reading.kind = valid ? NumberReading::Kind::kRead : NumberReading::Kind::kDoubtful;
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
  const bool international = text.front() == '+';
  const std::optional<Verdict> as_written = international ? std::optional(verdictOf(digits)) : std::nullopt;
  if (as_written == Verdict::kValid) return {Kind::kRead, digits, {}};
  if (auto e164 = shapedDigits(digits, international)) {
    // The block's shape is how libphonenumber parses every number of it, so
    // an invalid one needs no parse of its own to say what it would be.
    const Verdict verdict = as_written && *e164 == digits ? *as_written : verdictOf(*e164);
    if (verdict == Verdict::kValid) return {Kind::kRead, std::move(*e164), {}};
    if (verdict == Verdict::kInvalid) return {Kind::kDoubtful, std::move(*e164), {}};
  }
  if (as_written) return parsed(text, std::pair(std::string_view(digits), *as_written));
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

#include "lists/number_range.h"

#include <algorithm>
#include <limits>

#include "lists/phone_numbers.h"

namespace calldir::lists {

std::optional<NumberRange> rangeOf(std::string_view text) {
  text = trimmedOfBlanks(text);
  if (text.empty()) return std::nullopt;
  NumberRange range;
  bool digits_before = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '#') {
      ++range.hashes;
    } else if (c >= '0' && c <= '9') {
      if (range.hashes > 0) return std::nullopt;  // a digit after a "#": not the last digits
      digits_before = true;
    } else if (!(isNumberSeparator(c) || (c == '+' && i == 0))) {
      return std::nullopt;
    }
  }
  if (range.hashes == 0 || !digits_before) return std::nullopt;
  range.pattern = std::string(text);
  range.count = 1;
  for (unsigned i = 0; i < range.hashes; ++i) {
    if (range.count > std::numeric_limits<std::uint64_t>::max() / 10) {
      range.count = std::numeric_limits<std::uint64_t>::max();
      break;
    }
    range.count *= 10;
  }
  return range;
}

std::string memberOf(const NumberRange& range, std::uint64_t index) {
  std::string text = range.pattern;
  for (std::size_t i = text.size(); i-- > 0;) {
    if (text[i] != '#') continue;
    text[i] = static_cast<char>('0' + index % 10);
    index /= 10;
  }
  return text;
}

}  // namespace calldir::lists

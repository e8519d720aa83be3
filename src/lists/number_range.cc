#include "lists/number_range.h"

#include <algorithm>
#include <limits>

namespace calldir::lists {

namespace {

bool isSeparator(char c) { return c == ' ' || c == '-' || c == '.' || c == '(' || c == ')'; }

}  // namespace

std::optional<NumberRange> rangeOf(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
  NumberRange range;
  bool digits_before = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '#') {
      ++range.hashes;
    } else if (c >= '0' && c <= '9') {
      if (range.hashes > 0) return std::nullopt;  // a digit after a "#": not the last digits
      digits_before = true;
    } else if (!(isSeparator(c) || (c == '+' && i == 0))) {
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

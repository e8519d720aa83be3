// Number ranges as list producers write them: a number whose last digits are
// "#" ("+82 1588-####", "0215881###" in KR) stands for every number it can
// be, each "#" any digit. `list fix --expand-ranges` writes them all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace calldir::lists {

struct NumberRange {
  std::string pattern;      // the text as written, trimmed
  unsigned hashes = 0;      // how many digits are "#"
  std::uint64_t count = 0;  // 10 to the power of `hashes`, or the largest value past 10^18
};

// The range `text` writes: digits (with "+" in front and separators between)
// whose last ones are "#"; no value for any other text.
std::optional<NumberRange> rangeOf(std::string_view text);

// The text of the range's `index`th number (from 0, in ascending order): the
// pattern with its "#" replaced by the digits of `index`.
std::string memberOf(const NumberRange& range, std::uint64_t index);

}  // namespace calldir::lists

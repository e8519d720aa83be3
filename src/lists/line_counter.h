// The line each element of a plain JSON text starts on, for the problems a
// list tool reports about a list given as plain JSON.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace calldir::lists {

// Lines of elements asked about in text order; no value for a list that
// was given as a list text (its plain text has no lines anyone wrote).
class LineCounter {
 public:
  // `text`: the text the elements point into; empty when there are no lines.
  explicit LineCounter(std::string_view text) : text_(text) {}
  std::optional<std::size_t> lineOf(std::string_view element);

 private:
  std::string_view text_;
  std::size_t scanned_ = 0;
  std::size_t lines_ = 0;
};

}  // namespace calldir::lists

// The line each element of a list starts on, for the problems a list tool
// reports: the line of a plain JSON text, or the line of the CSV a list was
// made from.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

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

// The line of each element: from `source_lines` (element i began on line
// source_lines[i] of the CSV it was made from) when given, else counted in
// `text` as LineCounter does.
class ElementLines {
 public:
  ElementLines(std::string_view text, const std::vector<std::size_t>* source_lines)
      : counter_(source_lines != nullptr ? std::string_view() : text), source_lines_(source_lines) {}
  std::optional<std::size_t> lineOf(std::size_t index, std::string_view element) {
    if (source_lines_ == nullptr) return counter_.lineOf(element);
    if (index < source_lines_->size()) return (*source_lines_)[index];
    return std::nullopt;
  }

 private:
  LineCounter counter_;
  const std::vector<std::size_t>* source_lines_;
};

}  // namespace calldir::lists

#include "lists/line_counter.h"

namespace calldir::lists {

std::optional<std::size_t> LineCounter::lineOf(std::string_view element) {
  if (text_.empty() || element.data() < text_.data() || element.data() > text_.data() + text_.size()) {
    return std::nullopt;
  }
  const std::size_t offset = static_cast<std::size_t>(element.data() - text_.data());
  for (; scanned_ < offset; ++scanned_) lines_ += text_[scanned_] == '\n';
  return lines_ + 1;
}

}  // namespace calldir::lists

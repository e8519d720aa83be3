#include "lists/list_source.h"

#include "platform/text.h"
#include "storage/caller_list.h"

namespace calldir::lists {

bool looksLikePlainJson(std::string_view data) {
  const std::size_t first = data.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && (data[first] == '[' || data[first] == '{');
}

ListSource readListSource(std::string data) {
  ListSource source;
  if (looksLikePlainJson(data)) {
    source.plain_input = true;
    source.plain = std::move(data);
  } else if (!platform::isValidUtf8(data)) {
    // The file layer reads such bytes as no text, which counts as empty.
    source.outcome = ListSource::Outcome::kNoData;
    source.failure = codec::DecodeFailure::kTooShort;
    return source;
  } else {
    codec::DecodedText decoded = codec::decodeListText(std::move(data));
    source.failure = decoded.failure;
    if (decoded.failure != codec::DecodeFailure::kNone &&
        decoded.failure != codec::DecodeFailure::kTooShort) {
      source.outcome = ListSource::Outcome::kUndecodable;
      return source;
    }
    source.plain = std::move(*decoded.text);
  }
  if (!storage::holdsListData(source.plain)) source.outcome = ListSource::Outcome::kNoData;
  return source;
}

std::optional<std::size_t> LineCounter::lineOf(std::string_view element) {
  if (text_.empty() || element.data() < text_.data() || element.data() > text_.data() + text_.size()) {
    return std::nullopt;
  }
  const std::size_t offset = static_cast<std::size_t>(element.data() - text_.data());
  for (; scanned_ < offset; ++scanned_) lines_ += text_[scanned_] == '\n';
  return lines_ + 1;
}

}  // namespace calldir::lists

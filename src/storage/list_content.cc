#include "storage/list_content.h"

#include "platform/text.h"
#include "storage/caller_list.h"

namespace calldir::storage {

std::optional<std::string> ListContent::decodedText() && {
  if (kind == Kind::kUndecodable) return std::nullopt;
  return std::move(plain);
}

const char* describeForUpdate(ListContent::Kind kind) {
  switch (kind) {
    case ListContent::Kind::kMissing:
      return "missing";
    case ListContent::Kind::kEmpty:
      return "empty";
    case ListContent::Kind::kList:
      return "waiting";
    case ListContent::Kind::kUnreadable:
    case ListContent::Kind::kNotText:
    case ListContent::Kind::kUndecodable:
    case ListContent::Kind::kNoData:
      break;
  }
  return "no data";
}

TextKind textKindOf(std::string_view bytes) {
  if (platform::isAscii(bytes)) return TextKind::kAscii;
  return platform::isValidUtf8(bytes) ? TextKind::kUtf8 : TextKind::kNotText;
}

namespace {

// The content of a plain text: list data from 16 characters on.
ListContent ofPlain(std::string plain, bool plain_input) {
  ListContent content;
  content.kind = holdsListData(plain) ? ListContent::Kind::kList : ListContent::Kind::kNoData;
  content.plain_input = plain_input;
  content.plain = std::move(plain);
  return content;
}

}  // namespace

ListContent decodeStoredText(std::string bytes, TextKind text_kind) {
  ListContent content;
  if (bytes.empty()) {
    content.kind = ListContent::Kind::kEmpty;
    return content;
  }
  if (text_kind == TextKind::kNotText) {
    content.kind = ListContent::Kind::kNotText;
    return content;
  }
  const codec::DecodeFailure failure = codec::decodeListTextInPlace(bytes, text_kind == TextKind::kAscii);
  if (failure != codec::DecodeFailure::kNone && failure != codec::DecodeFailure::kTooShort) {
    content.kind = ListContent::Kind::kUndecodable;
    content.failure = failure;
    return content;
  }
  content = ofPlain(std::move(bytes), false);
  content.failure = failure;
  return content;
}

ListContent readListText(std::string bytes) {
  const TextKind text_kind = textKindOf(bytes);
  return decodeStoredText(std::move(bytes), text_kind);
}

bool looksLikePlainJson(std::string_view data) {
  const std::size_t first = data.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && (data[first] == '[' || data[first] == '{');
}

ListContent readListInput(std::string bytes) {
  if (looksLikePlainJson(bytes)) return ofPlain(std::move(bytes), true);
  return readListText(std::move(bytes));
}

}  // namespace calldir::storage

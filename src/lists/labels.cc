#include "lists/labels.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace calldir::lists {

CharacterKind characterKind(char32_t c) {
  if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return CharacterKind::kControl;
  if (c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
      (c >= 0x2066 && c <= 0x2069)) {
    return CharacterKind::kReordering;
  }
  if ((c >= 0x200B && c <= 0x200D) || c == 0x2060 || c == 0xFEFF || c == 0x180E)
    return CharacterKind::kZeroWidth;
  if (c == 0x00A0 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x3000)
    return CharacterKind::kSpaceLike;
  return CharacterKind::kVisible;
}

std::pair<std::int32_t, std::size_t> codePointAt(std::string_view text, std::size_t i) {
  std::int32_t at = static_cast<std::int32_t>(i);
  const std::int32_t start = at;
  UChar32 c = 0;
  // ICU's macro narrows an int inside, which -Wconversion reports.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
  U8_NEXT(text.data(), at, static_cast<std::int32_t>(text.size()), c);
#pragma GCC diagnostic pop
  return {c, static_cast<std::size_t>(at - start)};
}

std::optional<std::string> labelProblem(std::string_view label) {
  std::size_t characters = 0;
  bool blank = true;
  const char* problem = nullptr;
  for (std::size_t i = 0; i < label.size();) {
    const auto [c, length] = codePointAt(label, i);
    i += length;
    ++characters;
    if (c < 0) continue;  // not UTF-8: the extension never gets such a label as text
    const CharacterKind kind = characterKind(static_cast<char32_t>(c));
    if (kind == CharacterKind::kControl) {
      problem = "a control character, which a phone shows as nothing or as a box";
    } else if (kind == CharacterKind::kReordering && problem == nullptr) {
      problem = "a mark that reorders text (a right-to-left override shows the label backwards)";
    } else if (kind == CharacterKind::kZeroWidth && problem == nullptr) {
      problem = "a character that shows as nothing (a zero-width space or joiner, a byte-order mark)";
    }
    blank = blank && (c == ' ' || kind == CharacterKind::kSpaceLike || kind == CharacterKind::kZeroWidth);
  }
  if (blank) return std::string("the label shows as nothing but spaces");
  if (problem != nullptr) return "the label holds " + std::string(problem);
  if (characters > kLongestLabel) {
    return "the label has " + std::to_string(characters) + " characters; a phone shows about " +
           std::to_string(kLongestLabel) + " on a call";
  }
  return std::nullopt;
}

std::optional<std::string> normalizedLabel(std::string_view label) {
  bool ascii = true;
  for (char c : label) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) {
    std::size_t start = 0, end = label.size();
    while (start < end && u_isUWhiteSpace(static_cast<unsigned char>(label[start]))) ++start;
    while (end > start && u_isUWhiteSpace(static_cast<unsigned char>(label[end - 1]))) --end;
    if (start == end || (start == 0 && end == label.size())) return std::nullopt;
    return std::string(label.substr(start, end - start));
  }
  icu::UnicodeString text =
      icu::UnicodeString::fromUTF8(icu::StringPiece(label.data(), static_cast<std::int32_t>(label.size())));
  if (text.isBogus()) return std::nullopt;
  std::int32_t start = 0, end = text.length();
  while (start < end && u_isUWhiteSpace(text.char32At(start))) start = text.moveIndex32(start, 1);
  while (end > start && u_isUWhiteSpace(text.char32At(text.moveIndex32(end, -1))))
    end = text.moveIndex32(end, -1);
  // A name of white space alone stays as it is: emptied, it would be no name.
  if (start < end) text = icu::UnicodeString(text, start, end - start);
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) return std::nullopt;
  const icu::UnicodeString normalized = nfc->normalize(text, status);
  if (U_FAILURE(status)) return std::nullopt;
  std::string out;
  normalized.toUTF8String(out);
  if (out == label) return std::nullopt;
  return out;
}

}  // namespace calldir::lists

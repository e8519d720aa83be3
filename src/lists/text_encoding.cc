#include "lists/text_encoding.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <iterator>
#include <memory>

#include "lists/labels.h"
#include "platform/text.h"

namespace calldir::lists {

namespace {

// "byte N, line L" of the offset `at` into `text`.
std::string placeOf(std::string_view text, std::size_t at) {
  const auto lines = std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n');
  return "byte " + std::to_string(at + 1) + ", line " + std::to_string(lines + 1);
}

// The names spreadsheets' users know, as the encodings they mean. ICU takes
// most of them as they are, but its "cp949" is IBM's Korean code page, not
// the Unified Hangul Code that Windows (and every Korean export) writes.
std::string converterName(std::string_view name) {
  std::string key(name);
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::replace(key.begin(), key.end(), '_', '-');
  constexpr std::string_view kWindowsKorean[] = {"cp949", "ms949", "uhc", "windows-949", "x-windows-949"};
  if (std::find(std::begin(kWindowsKorean), std::end(kWindowsKorean), key) != std::end(kWindowsKorean)) {
    return "windows-949-2000";
  }
  return key;
}

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// The converter of `encoding`, stopping at the first sequence it cannot
// convert either way, or null.
Converter openConverter(std::string_view encoding) {
  UErrorCode error = U_ZERO_ERROR;
  Converter converter(ucnv_open(converterName(encoding).c_str(), &error));
  ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
  ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
  return U_SUCCESS(error) ? std::move(converter) : nullptr;
}

}  // namespace

base::Status checkUtf8(std::string_view text, std::string_view what) {
  if (platform::isValidUtf8(text)) return base::Status::Ok();
  // Only to say where: the first byte that does not start a well-formed character.
  for (std::size_t at = 0; at < text.size();) {
    const auto [c, length] = codePointAt(text, at);
    if (c < 0)
      return base::Status::InvalidArgument(std::string(what) + " is not UTF-8 at " + placeOf(text, at));
    at += length;
  }
  return base::Status::Ok();
}

base::Result<std::string> convertToUtf8(std::string_view text, std::string_view encoding,
                                        std::string_view what) {
  Converter converter = openConverter(encoding);
  if (converter == nullptr) {
    return base::Status::InvalidArgument(
        "no encoding is named \"" + std::string(encoding) +
        "\" (try cp949, euc-kr, shift_jis, gb18030, windows-1252 or utf-16)");
  }
  Converter utf8 = openConverter("UTF-8");
  if (utf8 == nullptr) return base::Status::IoError("ICU cannot write UTF-8 here");
  UErrorCode error = U_ZERO_ERROR;
  // Through UTF-16 a piece at a time. A stop at a sequence the encoding
  // lacks leaves `source` just past that sequence.
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  std::array<UChar, 1 << 14> wide;
  std::array<char, 3 * (1 << 14)> bytes;  // a UTF-16 unit is at most three UTF-8 bytes
  const char* source = text.data();
  const char* const end = text.data() + text.size();
  bool flushed = false;
  while (!flushed && U_SUCCESS(error)) {
    UChar* target = wide.data();
    ucnv_toUnicode(converter.get(), &target, wide.data() + wide.size(), &source, end, nullptr, true, &error);
    if (error == U_BUFFER_OVERFLOW_ERROR) {
      error = U_ZERO_ERROR;
    } else if (U_SUCCESS(error)) {
      flushed = true;
    } else {
      char invalid[32];
      std::int8_t invalid_length = sizeof invalid;
      UErrorCode ignored = U_ZERO_ERROR;
      ucnv_getInvalidChars(converter.get(), invalid, &invalid_length, &ignored);
      const auto at = static_cast<std::size_t>(source - text.data()) -
                      static_cast<std::size_t>(U_SUCCESS(ignored) ? invalid_length : 0);
      return base::Status::InvalidArgument(std::string(what) + " is not " + std::string(encoding) + " at " +
                                           placeOf(text, at));
    }
    const UChar* from = wide.data();
    char* to = bytes.data();
    ucnv_fromUnicode(utf8.get(), &to, bytes.data() + bytes.size(), &from, target, nullptr, flushed, &error);
    out.append(bytes.data(), to);
  }
  if (U_FAILURE(error)) {
    // Only UTF-16 text with half of a surrogate pair gets here.
    return base::Status::InvalidArgument(std::string(what) + " is not " + std::string(encoding) +
                                         ": it holds half of a character (a lone surrogate)");
  }
  return out;
}

base::Status checkNotUtf16(std::string_view text, std::string_view what) {
  bool utf16 = text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF");
  if (!utf16 && text.size() >= 8) {
    // ASCII in UTF-16 without a mark: a zero byte beside every character.
    std::size_t zeros[2] = {0, 0};
    for (std::size_t i = 0; i < 8; ++i) zeros[i % 2] += text[i] == '\0';
    utf16 = (zeros[0] == 4) != (zeros[1] == 4);
  }
  if (!utf16) return base::Status::Ok();
  return base::Status::InvalidArgument(std::string(what) +
                                       " is UTF-16 text, not UTF-8; read it with --encoding utf-16");
}

std::string_view withoutByteOrderMark(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  return text;
}

void removeByteOrderMark(std::string& text) {
  text.erase(0, text.size() - withoutByteOrderMark(text).size());
}

}  // namespace calldir::lists

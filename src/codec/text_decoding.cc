#include "codec/text_decoding.h"

#include <cstring>

#include "codec/aes.h"
#include "codec/base64.h"
#include "codec/list_key.h"
#include "platform/text.h"

namespace calldir::codec {

DecodeFailure decodeListTextInPlace(std::string& text, bool known_ascii) {
  const std::string_view trimmed = platform::trimWhitespace(text);
  if (!platform::utf16LengthAtLeast(trimmed, 2)) {
    text.clear();
    return DecodeFailure::kTooShort;
  }
  if (!known_ascii && !platform::isAscii(trimmed)) return DecodeFailure::kNotAscii;

  const std::size_t decoded = decodeBase64Ascii(trimmed.data(), trimmed.size(), text.data());
  text.resize(decoded);
  if (!AES256DecryptInPlace(text, getCallDirectoryEncryptKey())) return DecodeFailure::kCipher;
  if (!platform::isValidUtf8(text)) return DecodeFailure::kNotUtf8;
  return DecodeFailure::kNone;
}

std::optional<std::string> getDecodedText(std::optional<std::string_view> stored) {
  if (!stored || stored->empty()) return std::string();
  std::string text(*stored);
  const DecodeFailure failure = decodeListTextInPlace(text);
  if (failure != DecodeFailure::kNone && failure != DecodeFailure::kTooShort) return std::nullopt;
  return text;
}

std::string encodeListText(std::string plain, std::uint64_t line_length) {
  // The list key is 16 bytes, well within what the cipher takes.
  AES256EncryptInPlace(plain, getCallDirectoryEncryptKey());
  return base64EncodingWithLineLength(plain, line_length);
}

const char* describeDecodeFailure(DecodeFailure failure) {
  switch (failure) {
    case DecodeFailure::kNone:
      return "decoded";
    case DecodeFailure::kTooShort:
      return "the list text is empty or shorter than 2 characters once trimmed";
    case DecodeFailure::kNotAscii:
      return "the list text holds a character outside ASCII, so its Base64 layer gives no bytes";
    case DecodeFailure::kCipher:
      return "the Base64 bytes do not decipher under the list key (wrong length, bad padding, or another "
             "key)";
    case DecodeFailure::kNotUtf8:
      return "the deciphered bytes are not UTF-8 text";
  }
  return "unknown failure";
}

}  // namespace calldir::codec

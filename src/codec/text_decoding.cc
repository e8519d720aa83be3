#include "codec/text_decoding.h"

#include <cstring>

#include "codec/aes.h"
#include "codec/base64.h"
#include "codec/list_key.h"
#include "platform/text.h"

namespace calldir::codec {

DecodedText decodeListText(std::string stored) {
  const std::string_view trimmed = platform::trimWhitespace(stored);
  if (!platform::utf16LengthAtLeast(trimmed, 2)) return {std::string(), DecodeFailure::kTooShort};
  if (!platform::isAscii(trimmed)) return {std::nullopt, DecodeFailure::kNotAscii};

  const std::size_t decoded = decodeBase64Ascii(trimmed.data(), trimmed.size(), stored.data());
  stored.resize(decoded);
  if (!AES256DecryptInPlace(stored, getCallDirectoryEncryptKey())) {
    return {std::nullopt, DecodeFailure::kCipher};
  }
  if (!platform::isValidUtf8(stored)) return {std::nullopt, DecodeFailure::kNotUtf8};
  return {std::move(stored), DecodeFailure::kNone};
}

std::optional<std::string> getDecodedText(std::optional<std::string_view> stored) {
  if (!stored || stored->empty()) return std::string();
  return decodeListText(std::string(*stored)).text;
}

std::string encodeListText(std::string_view plain, std::uint64_t line_length) {
  // The list key is 16 bytes, well within what the cipher takes.
  return base64EncodingWithLineLength(*AES256EncryptWithKey(plain, getCallDirectoryEncryptKey()),
                                      line_length);
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

// Decoding of a stored list text into its plain JSON text: trim, Base64,
// AES-256 under the list key, UTF-8. Every list file is read through here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace calldir::codec {

// Which layer of a list text stopped the decoding.
enum class DecodeFailure {
  kNone,      // decoded
  kTooShort,  // null, empty, or shorter than 2 characters once trimmed
  kNotAscii,  // a character outside ASCII: the Base64 layer gives no bytes
  kCipher,    // the bytes do not decipher: wrong length, padding, or key
  kNotUtf8,   // the plain bytes are not UTF-8
};

// Decodes the stored list text in `text` in place: the Base64 and cipher
// layers both shrink it, so the plain text costs no further copy of the
// list. With kNone `text` holds the plain text, with kTooShort it is empty,
// after another failure its content is unspecified. `known_ascii` tells that
// the caller has found every byte of `text` ASCII already, which spares a
// second scan of a large list.
DecodeFailure decodeListTextInPlace(std::string& text, bool known_ascii = false);

// The plain text of a stored list text: the plain JSON text, "" for a null,
// empty or too short text, and no text when the bytes do not decipher under
// the list key or the plain bytes are not UTF-8.
std::optional<std::string> getDecodedText(std::optional<std::string_view> stored);

// The list text of `plain`: Base64 (lines of `line_length`, 0 for one line)
// of its AES-256 ciphertext under the list key. The inverse of getDecodedText.
// The plain text is enciphered in its own buffer: a large list costs its
// size and its list text's, no more.
std::string encodeListText(std::string plain, std::uint64_t line_length = 0);

// One line naming a failure, for people.
const char* describeDecodeFailure(DecodeFailure failure);

}  // namespace calldir::codec

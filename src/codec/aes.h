// AES-256 wrappers (the AES additions): encipher and decipher a whole buffer
// in one call under a key given as text, with the fixed settings of the list
// files: AES-256, CBC, an all-zero initialisation vector and PKCS#7 padding.
// The 32 key bytes are the key text's UTF-8 bytes followed by zero bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace calldir::codec {

// The ciphertext of `data` (16 * (n / 16 + 1) bytes), or no result when the
// key text's UTF-8 form is longer than 32 bytes. A null key means 32 zero
// key bytes.
std::optional<std::string> AES256EncryptWithKey(std::string_view data, std::optional<std::string_view> key);

// The plain bytes of `data`, or no result when the key is longer than 32
// bytes, the length is not a whole number of 16-byte blocks (0 included), or
// the padding does not check out (what a wrong key nearly always gives).
std::optional<std::string> AES256DecryptWithKey(std::string_view data, std::optional<std::string_view> key);

// As AES256EncryptWithKey, enciphering `buffer` in place (it grows by the
// padding). Returns false, leaving `buffer` unspecified, on failure.
bool AES256EncryptInPlace(std::string& buffer, std::optional<std::string_view> key);

// As AES256DecryptWithKey, deciphering `buffer` in place and shrinking it to
// the plain bytes. Returns false, leaving `buffer` unspecified, on failure.
bool AES256DecryptInPlace(std::string& buffer, std::optional<std::string_view> key);

}  // namespace calldir::codec

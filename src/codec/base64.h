// The extension's own Base64 codec and byte tests (the data additions).
//
// The decoder is tolerant and never fails: a text with any character outside
// ASCII decodes to nothing; otherwise every byte outside the standard alphabet
// (RFC 4648, not URL-safe) is skipped, the first "=" ends the data, and an
// unfinished last quantum is dropped. The encoder writes padded Base64 and can
// break lines with a single line feed. Byte buffers are std::string.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace calldir::codec {

// Decodes `text` (null reads as the empty text) with the rules above.
std::string initWithBase64EncodedString(std::optional<std::string_view> text);

// Same as initWithBase64EncodedString; kept because the ported additions have it.
std::string dataWithBase64EncodedString(std::optional<std::string_view> text);

// Decodes the `length` bytes at `in` into `out` and returns the number of
// bytes written, which is at most 3/4 of `length`. `out` may equal `in`
// (decoding in place); output never overtakes input.
std::size_t decodeBase64(const char* in, std::size_t length, char* out);

// As decodeBase64, for input already known to be ASCII. Runs of clean
// alphabet characters are decoded 32 at a time with AVX2 where the CPU has
// it; the result is the same as decodeBase64AsciiScalar's.
std::size_t decodeBase64Ascii(const char* in, std::size_t length, char* out);

// The same, one character at a time: the reading the fast road must match.
std::size_t decodeBase64AsciiScalar(const char* in, std::size_t length, char* out);

// Decodes `buffer` in place with the rules above and shrinks it to the result.
void decodeBase64InPlace(std::string& buffer);

// Padded Base64 on one line.
std::string base64Encoding(std::string_view data);

// Padded Base64 with a line feed after every group of 4 characters that brings
// the line to `line_length` characters or more (so full lines hold the
// smallest multiple of 4 that is at least `line_length`), the last group
// included. A line length of 0, or of 65533 or more, writes no line feed: the
// column count is a 16-bit value.
std::string base64EncodingWithLineLength(std::string_view data, std::uint64_t line_length);

// Byte tests. Each is false for a null or empty prefix/suffix (or a null
// pointer or a count of 0) and when the data is shorter than it. Nothing
// calls them; kept because the ported additions have them.
bool hasPrefix(std::string_view data, std::optional<std::string_view> prefix);
bool hasSuffix(std::string_view data, std::optional<std::string_view> suffix);
bool hasPrefixBytes(std::string_view data, const void* bytes, std::uint64_t length);
bool hasSuffixBytes(std::string_view data, const void* bytes, std::uint64_t length);

}  // namespace calldir::codec

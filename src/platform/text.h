// Text helpers that stand in for the platform's string operations: whitespace
// trimming, length in UTF-16 code units, UTF-8 and ASCII checks, and the
// decimal conversion `integerValue`. Texts are UTF-8 byte strings throughout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace calldir::platform {

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(std::string_view text);

// True when every byte of `bytes` is below 0x80.
bool isAscii(std::string_view bytes);

// Number of UTF-16 code units that the UTF-8 text `text` holds: one per
// character, two for characters outside the Basic Multilingual Plane.
// `text` must be valid UTF-8.
std::size_t utf16Length(std::string_view text);

// True when `text` (valid UTF-8) holds at least `units` UTF-16 code units.
// Looks at no more of the text than it needs to.
bool utf16LengthAtLeast(std::string_view text, std::size_t units);

// The part of `text` left after removing, from both ends, the characters of
// the platform's whitespace set: the horizontal tab and the Unicode space
// separators (category Zs). Line feeds and carriage returns are kept.
std::string_view trimWhitespace(std::string_view text);

// The platform's `integerValue`: skips leading whitespace (the set above plus
// line ends), reads an optional sign and the leading run of decimal digits,
// and ignores the rest. A text that does not begin so gives 0. Values beyond
// the signed 64-bit range saturate at its ends.
std::int64_t integerValue(std::string_view text);

}  // namespace calldir::platform

#include "platform/text.h"

#include <simdjson.h>

#include <cstring>
#include <limits>

namespace calldir::platform {

bool isValidUtf8(std::string_view text) { return simdjson::validate_utf8(text.data(), text.size()); }

bool isAscii(std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t n = bytes.size();
  std::uint64_t acc = 0;
  // Word at a time; the compiler vectorises the loop.
  while (n >= 32) {
    std::uint64_t w[4];
    std::memcpy(w, p, sizeof w);
    acc |= w[0] | w[1] | w[2] | w[3];
    p += 32;
    n -= 32;
  }
  while (n > 0) {
    acc |= static_cast<unsigned char>(*p);
    ++p;
    --n;
  }
  return (acc & 0x8080808080808080ULL) == 0;
}

std::size_t utf16Length(std::string_view text) {
  std::size_t units = 0;
  for (unsigned char c : text) {
    // Every lead byte starts one unit; a four-byte lead needs a surrogate pair.
    units += (c & 0xC0) != 0x80;
    units += c >= 0xF0;
  }
  return units;
}

bool utf16LengthAtLeast(std::string_view text, std::size_t units) {
  // A character takes at most four bytes and gives at least one unit.
  if (text.size() / 4 >= units) return true;
  return utf16Length(text) >= units;
}

namespace {

// Length in bytes of the whitespace character that starts at `p`, or 0.
std::size_t leadingSpaceLength(const unsigned char* p, std::size_t n) {
  if (n == 0) return 0;
  if (p[0] == 0x09 || p[0] == 0x20) return 1;
  if (n >= 2 && p[0] == 0xC2 && p[1] == 0xA0) return 2;  // U+00A0
  if (n >= 3) {
    if (p[0] == 0xE1 && p[1] == 0x9A && p[2] == 0x80) return 3;  // U+1680
    if (p[0] == 0xE2 && p[1] == 0x80 && (p[2] <= 0x8A || p[2] == 0xAF)) {
      return p[2] >= 0x80 ? 3 : 0;  // U+2000..U+200A, U+202F
    }
    if (p[0] == 0xE2 && p[1] == 0x81 && p[2] == 0x9F) return 3;  // U+205F
    if (p[0] == 0xE3 && p[1] == 0x80 && p[2] == 0x80) return 3;  // U+3000
  }
  return 0;
}

// Length in bytes of the whitespace character that ends at `end`, or 0.
std::size_t trailingSpaceLength(const unsigned char* begin, const unsigned char* end) {
  const std::size_t n = static_cast<std::size_t>(end - begin);
  if (n >= 1 && (end[-1] == 0x09 || end[-1] == 0x20)) return 1;
  if (n >= 2 && leadingSpaceLength(end - 2, 2) == 2) return 2;
  if (n >= 3 && leadingSpaceLength(end - 3, 3) == 3) return 3;
  return 0;
}

}  // namespace

std::string_view trimWhitespace(std::string_view text) {
  auto* begin = reinterpret_cast<const unsigned char*>(text.data());
  auto* end = begin + text.size();
  while (std::size_t k = leadingSpaceLength(begin, static_cast<std::size_t>(end - begin))) begin += k;
  while (std::size_t k = trailingSpaceLength(begin, end)) end -= k;
  return {reinterpret_cast<const char*>(begin), static_cast<std::size_t>(end - begin)};
}

std::int64_t integerValue(std::string_view text) {
  // The common case first: nothing but up to 18 digits, which cannot overflow.
  if (!text.empty() && text.size() <= 18) {
    std::int64_t value = 0;
    std::size_t k = 0;
    for (; k < text.size() && text[k] >= '0' && text[k] <= '9'; ++k) value = value * 10 + (text[k] - '0');
    if (k == text.size()) return value;
  }
  std::size_t i = 0;
  for (;;) {
    std::string_view rest = text.substr(i);
    std::size_t k = leadingSpaceLength(reinterpret_cast<const unsigned char*>(rest.data()), rest.size());
    if (k == 0 && !rest.empty() && (rest[0] == '\n' || rest[0] == '\r' || rest[0] == '\v' || rest[0] == '\f'))
      k = 1;
    if (k == 0) break;
    i += k;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulate as a negative number so that the minimum value is reachable.
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  std::int64_t value = 0;
  bool overflow = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    if (value < (kMin + digit) / 10) {
      overflow = true;
      continue;
    }
    value = value * 10 - digit;
  }
  if (overflow) return negative ? kMin : std::numeric_limits<std::int64_t>::max();
  if (negative) return value;
  return value == kMin ? std::numeric_limits<std::int64_t>::max() : -value;
}

}  // namespace calldir::platform

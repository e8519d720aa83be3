#include "codec/base64.h"

#include <array>
#include <cstring>

#include "platform/text.h"

namespace calldir::codec {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::uint32_t kNotInAlphabet = 0x01000000;

constexpr int sextetOf(unsigned c) {
  if (c >= 'A' && c <= 'Z') return static_cast<int>(c - 'A');
  if (c >= 'a' && c <= 'z') return static_cast<int>(c - 'a') + 26;
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0') + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Four tables that place a character's sextet at its position in a 24-bit
// group, so that one quantum decodes with four look-ups and three ORs. A
// character outside the alphabet sets bit 24 in every table.
struct QuantumTables {
  std::array<std::uint32_t, 256> at[4];
};

constexpr QuantumTables makeTables() {
  QuantumTables t{};
  for (unsigned c = 0; c < 256; ++c) {
    const int s = sextetOf(c);
    for (int k = 0; k < 4; ++k) {
      t.at[k][c] = s < 0 ? kNotInAlphabet : static_cast<std::uint32_t>(s) << (18 - 6 * k);
    }
  }
  return t;
}

constexpr QuantumTables kTables = makeTables();

inline void emit3(char* out, std::uint32_t group) {
  out[0] = static_cast<char>(group >> 16);
  out[1] = static_cast<char>(group >> 8);
  out[2] = static_cast<char>(group);
}

}  // namespace

std::size_t decodeBase64(const char* in, std::size_t length, char* out) {
  if (!platform::isAscii(std::string_view(in, length))) return 0;
  return decodeBase64Ascii(in, length, out);
}

std::size_t decodeBase64Ascii(const char* in, std::size_t length, char* out) {
  const auto* src = reinterpret_cast<const unsigned char*>(in);
  std::size_t i = 0;
  std::size_t o = 0;
  std::uint32_t slots[4] = {};
  int filled = 0;
  while (i < length) {
    // Fast road: whole quanta of alphabet characters while no slot is pending.
    if (filled == 0) {
      while (i + 8 <= length) {
        const std::uint32_t a = kTables.at[0][src[i]] | kTables.at[1][src[i + 1]] |
                                kTables.at[2][src[i + 2]] | kTables.at[3][src[i + 3]];
        const std::uint32_t b = kTables.at[0][src[i + 4]] | kTables.at[1][src[i + 5]] |
                                kTables.at[2][src[i + 6]] | kTables.at[3][src[i + 7]];
        if ((a | b) & kNotInAlphabet) break;
        emit3(out + o, a);
        emit3(out + o + 3, b);
        i += 8;
        o += 6;
      }
      if (i + 4 <= length) {
        const std::uint32_t a = kTables.at[0][src[i]] | kTables.at[1][src[i + 1]] |
                                kTables.at[2][src[i + 2]] | kTables.at[3][src[i + 3]];
        if (!(a & kNotInAlphabet)) {
          emit3(out + o, a);
          i += 4;
          o += 3;
          continue;
        }
      }
      if (i >= length) break;
    }
    // Slow road: one byte at a time.
    const unsigned char c = src[i++];
    const int s = sextetOf(c);
    if (s >= 0) {
      slots[filled++] = static_cast<std::uint32_t>(s);
      if (filled == 4) {
        emit3(out + o, (slots[0] << 18) | (slots[1] << 12) | (slots[2] << 6) | slots[3]);
        o += 3;
        filled = 0;
      }
      continue;
    }
    if (c != '=') continue;  // foreign byte: skipped
    // The first "=" ends the data. After one sextet the byte's two low bits
    // have no source and are left zero.
    if (filled >= 1) out[o++] = static_cast<char>((slots[0] << 2) | (filled >= 2 ? slots[1] >> 4 : 0));
    if (filled == 3) out[o++] = static_cast<char>(((slots[1] & 15) << 4) | (slots[2] >> 2));
    return o;
  }
  return o;  // pending sextets without "=" are dropped
}

void decodeBase64InPlace(std::string& buffer) {
  buffer.resize(decodeBase64(buffer.data(), buffer.size(), buffer.data()));
}

std::string initWithBase64EncodedString(std::optional<std::string_view> text) {
  if (!text) return {};
  std::string out(text->size() / 4 * 3 + 3, '\0');
  out.resize(decodeBase64(text->data(), text->size(), out.data()));
  return out;
}

std::string dataWithBase64EncodedString(std::optional<std::string_view> text) {
  return initWithBase64EncodedString(text);
}

std::string base64Encoding(std::string_view data) { return base64EncodingWithLineLength(data, 0); }

std::string base64EncodingWithLineLength(std::string_view data, std::uint64_t line_length) {
  std::string out;
  if (data.empty()) return out;
  const std::size_t groups = (data.size() + 2) / 3;
  std::size_t breaks = 0;
  if (line_length != 0 && line_length < 65533) {
    const std::size_t per_line = (line_length + 3) / 4;  // groups per full line
    breaks = groups / per_line;
  }
  out.resize(groups * 4 + breaks);
  char* dst = out.data();
  const auto* src = reinterpret_cast<const unsigned char*>(data.data());
  const std::size_t n = data.size();
  std::uint16_t column = 0;
  const std::uint64_t limit = line_length - 1;  // wraps to the largest value for 0
  for (std::size_t i = 0; i < n; i += 3) {
    const std::size_t r = n - i;
    const unsigned b0 = src[i];
    const unsigned b1 = r > 1 ? src[i + 1] : 0;
    const unsigned b2 = r > 2 ? src[i + 2] : 0;
    *dst++ = kAlphabet[b0 >> 2];
    *dst++ = kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
    *dst++ = r > 1 ? kAlphabet[((b1 & 15) << 2) | (b2 >> 6)] : '=';
    *dst++ = r > 2 ? kAlphabet[b2 & 63] : '=';
    column = static_cast<std::uint16_t>(column + 4);
    if (limit < column) {
      *dst++ = '\n';
      column = 0;
    }
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
  return out;
}

bool hasPrefixBytes(std::string_view data, const void* bytes, std::uint64_t length) {
  if (bytes == nullptr || length == 0 || data.size() < length) return false;
  return std::memcmp(data.data(), bytes, length) == 0;
}

bool hasSuffixBytes(std::string_view data, const void* bytes, std::uint64_t length) {
  if (bytes == nullptr || length == 0 || data.size() < length) return false;
  return std::memcmp(data.data() + data.size() - length, bytes, length) == 0;
}

bool hasPrefix(std::string_view data, std::optional<std::string_view> prefix) {
  return prefix && hasPrefixBytes(data, prefix->data(), prefix->size());
}

bool hasSuffix(std::string_view data, std::optional<std::string_view> suffix) {
  return suffix && hasSuffixBytes(data, suffix->data(), suffix->size());
}

}  // namespace calldir::codec

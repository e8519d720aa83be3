#include "codec/base64.h"

// The AVX2 road exists on x86 only, and is taken where the CPU has AVX2;
// everywhere else (an ARM Mac, a portable build) the scalar road decodes.
#if (defined(__x86_64__) || defined(__i386__)) && !defined(CALLDIR_PORTABLE)
#define CALLDIR_BASE64_AVX2 1
#include <immintrin.h>
#endif

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

#if defined(CALLDIR_BASE64_AVX2)
// Decodes 32 characters at a time while all of them are in the alphabet;
// returns how many characters it took (a multiple of 32). Writes exactly
// 24 bytes per 32 characters, so it may decode in place.
__attribute__((target("avx2"))) std::size_t decodeCleanRuns(const unsigned char* src, std::size_t length,
                                                            char* out) {
  // Classify each character by its nibbles: a character is in the alphabet
  // exactly when its low-nibble and high-nibble classes share no bit; the
  // same high nibble (and "/") then picks the offset to its sextet.
  const __m256i lut_lo = _mm256_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13,
                                          0x1A, 0x1B, 0x1B, 0x1B, 0x1A, 0x15, 0x11, 0x11, 0x11, 0x11, 0x11,
                                          0x11, 0x11, 0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A);
  const __m256i lut_hi = _mm256_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10,
                                          0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x01, 0x02, 0x04, 0x08,
                                          0x04, 0x08, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10);
  const __m256i lut_roll = _mm256_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16,
                                            19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m256i nibble = _mm256_set1_epi8(0x0f);
  const __m256i slash = _mm256_set1_epi8('/');
  const __m256i pack_shuffle = _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1, 2, 1,
                                                0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  const __m256i pack_lanes = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7);
  std::size_t i = 0;
  for (; i + 32 <= length; i += 32) {
    const __m256i input = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    const __m256i hi_nibbles = _mm256_and_si256(_mm256_srli_epi32(input, 4), nibble);
    const __m256i lo_nibbles = _mm256_and_si256(input, nibble);
    const __m256i lo = _mm256_shuffle_epi8(lut_lo, lo_nibbles);
    const __m256i hi = _mm256_shuffle_epi8(lut_hi, hi_nibbles);
    if (!_mm256_testz_si256(lo, hi)) break;  // a character outside the alphabet
    const __m256i roll =
        _mm256_shuffle_epi8(lut_roll, _mm256_add_epi8(_mm256_cmpeq_epi8(input, slash), hi_nibbles));
    const __m256i sextets = _mm256_add_epi8(input, roll);
    // Four sextets make three bytes: join pairs, then pairs of pairs.
    const __m256i pairs = _mm256_maddubs_epi16(sextets, _mm256_set1_epi32(0x01400140));
    const __m256i groups = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00011000));
    const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(groups, pack_shuffle), pack_lanes);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i / 4 * 3), _mm256_castsi256_si128(bytes));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i / 4 * 3 + 16), _mm256_extracti128_si256(bytes, 1));
  }
  return i;
}
#endif

}  // namespace

std::size_t decodeBase64(const char* in, std::size_t length, char* out) {
  if (!platform::isAscii(std::string_view(in, length))) return 0;
  return decodeBase64Ascii(in, length, out);
}

namespace {

// The tolerant decoder, from `i` with no sextet pending; `vector` decodes
// runs of clean characters (32 at a time) where the CPU allows.
template <bool kVector>
std::size_t decode(const char* in, std::size_t length, char* out) {
  const auto* src = reinterpret_cast<const unsigned char*>(in);
  std::size_t i = 0;
  std::size_t o = 0;
  std::uint32_t slots[4] = {};
  int filled = 0;
  while (i < length) {
    // Fast road: whole quanta of alphabet characters while no slot is pending.
    if (filled == 0) {
#if defined(CALLDIR_BASE64_AVX2)
      if constexpr (kVector) {
        const std::size_t done = decodeCleanRuns(src + i, length - i, out + o);
        i += done;
        o += done / 4 * 3;
      }
#endif
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

}  // namespace

std::size_t decodeBase64Ascii(const char* in, std::size_t length, char* out) {
#if defined(CALLDIR_BASE64_AVX2)
  if (__builtin_cpu_supports("avx2")) return decode<true>(in, length, out);
#endif
  return decode<false>(in, length, out);
}

std::size_t decodeBase64AsciiScalar(const char* in, std::size_t length, char* out) {
  return decode<false>(in, length, out);
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

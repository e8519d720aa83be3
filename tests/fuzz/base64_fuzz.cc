// The Base64 decoder against a byte-at-a-time reading of its rules, in place
// and not; the encoder's output decodes back to the data at any line length.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "codec/base64.h"
#include "fuzz_check.h"

namespace {

using calldir::fuzz::require;

int sextet(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// The tolerant rules, one byte at a time: nothing for a text with a byte
// outside ASCII; foreign bytes skipped; the first "=" ends the data (after
// one sextet, one byte whose low bits are zero); pending sextets dropped.
std::string reference(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return "";
  }
  std::string out;
  int slots[4];
  int filled = 0;
  for (unsigned char c : text) {
    const int s = sextet(c);
    if (s >= 0) {
      slots[filled++] = s;
      if (filled == 4) {
        out += static_cast<char>((slots[0] << 2) | (slots[1] >> 4));
        out += static_cast<char>(((slots[1] & 15) << 4) | (slots[2] >> 2));
        out += static_cast<char>(((slots[2] & 3) << 6) | slots[3]);
        filled = 0;
      }
    } else if (c == '=') {
      if (filled >= 1) out += static_cast<char>((slots[0] << 2) | (filled >= 2 ? slots[1] >> 4 : 0));
      if (filled == 3) out += static_cast<char>(((slots[1] & 15) << 4) | (slots[2] >> 2));
      return out;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto line_length = input.ConsumeIntegralInRange<std::uint64_t>(0, 200);
  const std::string text = input.ConsumeRemainingBytesAsString();

  const std::string expected = reference(text);
  require(calldir::codec::initWithBase64EncodedString(text) == expected, "decoder matches the reference");
  std::string in_place = text;
  calldir::codec::decodeBase64InPlace(in_place);
  require(in_place == expected, "in-place decoding matches the reference");

  const std::string encoded = calldir::codec::base64EncodingWithLineLength(text, line_length);
  require(encoded.size() >= (text.size() + 2) / 3 * 4, "every group writes four characters");
  require(calldir::codec::initWithBase64EncodedString(encoded) == text, "encoding decodes back");
  return 0;
}

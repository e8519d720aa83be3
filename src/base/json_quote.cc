#include "base/json_quote.h"

#include <simdjson.h>

#include <cstdio>

namespace calldir::base {

namespace {

// Length of the UTF-8 sequence that a lead byte announces, 0 for a byte
// that cannot start one.
std::size_t sequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

void appendEscaped(std::string& out, unsigned char c) {
  switch (c) {
    case '"':
      out += "\\\"";
      return;
    case '\\':
      out += "\\\\";
      return;
    case '\n':
      out += "\\n";
      return;
    case '\r':
      out += "\\r";
      return;
    case '\t':
      out += "\\t";
      return;
    default:
      if (c < 0x20) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
        out += buffer;
      } else {
        out += static_cast<char>(c);
      }
  }
}

}  // namespace

void appendJsonQuoted(std::string& out, std::string_view text) {
  out += '"';
  const bool valid = simdjson::validate_utf8(text.data(), text.size());
  for (std::size_t i = 0; i < text.size();) {
    // A run that needs no escape goes at once.
    std::size_t end = i;
    while (end < text.size()) {
      const auto b = static_cast<unsigned char>(text[end]);
      if (b < 0x20 || b == '"' || b == '\\' || (b >= 0x80 && !valid)) break;
      ++end;
    }
    out.append(text.data() + i, end - i);
    i = end;
    if (i == text.size()) break;
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      appendEscaped(out, c);
      ++i;
      continue;
    }
    const std::size_t n = sequenceLength(c);
    if (valid || (n != 0 && i + n <= text.size() && simdjson::validate_utf8(text.data() + i, n))) {
      out.append(text.substr(i, n));
      i += n;
    } else {
      out += "\xEF\xBF\xBD";  // U+FFFD REPLACEMENT CHARACTER
      ++i;
    }
  }
  out += '"';
}

std::string jsonQuote(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  appendJsonQuoted(out, text);
  return out;
}

}  // namespace calldir::base

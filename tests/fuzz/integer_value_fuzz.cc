// integerValue against a plain reading of its rules: leading white space
// (tab, line ends and the Unicode space separators), a sign, the leading
// digits; saturated at the ends of the 64-bit range.
#include <cstdint>
#include <limits>
#include <string>

#include "fuzz_check.h"
#include "platform/text.h"

namespace {

std::int64_t reference(std::string_view text) {
  std::size_t i = 0;
  for (;;) {
    const std::string_view rest = text.substr(i);
    const std::string_view trimmed = calldir::platform::trimWhitespace(rest);
    if (trimmed.size() < rest.size() && trimmed.data() != rest.data()) {
      i += static_cast<std::size_t>(trimmed.data() - rest.data());
      continue;
    }
    if (!rest.empty() && (rest[0] == '\n' || rest[0] == '\r' || rest[0] == '\v' || rest[0] == '\f')) {
      ++i;
      continue;
    }
    break;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulate the magnitude in 128 bits and saturate at the end.
  __int128 value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > (static_cast<__int128>(1) << 64)) value = static_cast<__int128>(1) << 64;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int64_t>::max()) return std::numeric_limits<std::int64_t>::max();
  if (value < std::numeric_limits<std::int64_t>::min()) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  calldir::fuzz::require(calldir::platform::integerValue(text) == reference(text), "integerValue matches");
  return 0;
}

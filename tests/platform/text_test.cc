#include "platform/text.h"

#include <gtest/gtest.h>

#include <limits>

namespace calldir::platform {
namespace {

TEST(Utf16Length, CountsCodeUnits) {
  EXPECT_EQ(utf16Length(""), 0u);
  EXPECT_EQ(utf16Length("abc"), 3u);
  EXPECT_EQ(utf16Length("\xC3\xA9"), 1u);          // é
  EXPECT_EQ(utf16Length("\xE2\x82\xAC"), 1u);      // €
  EXPECT_EQ(utf16Length("\xF0\x9F\x98\x80"), 2u);  // an emoji needs a surrogate pair
}

TEST(TrimWhitespace, TrimsTabsAndSpaceSeparatorsButNotLineEnds) {
  EXPECT_EQ(trimWhitespace("  a b\t"), "a b");
  EXPECT_EQ(trimWhitespace("\xC2\xA0x\xE3\x80\x80"), "x");
  EXPECT_EQ(trimWhitespace("\xE2\x80\x8Ax\xE2\x80\xAF\xE2\x81\x9F\xE1\x9A\x80"), "x");
  EXPECT_EQ(trimWhitespace("\nx\r\n"), "\nx\r\n");
  EXPECT_EQ(trimWhitespace(" \t "), "");
  // U+200B (zero width space) is not a space separator.
  EXPECT_EQ(trimWhitespace("\xE2\x80\x8Bx"), "\xE2\x80\x8Bx");
}

TEST(IntegerValue, ReadsTheLeadingNumber) {
  struct Case {
    const char* text;
    std::int64_t value;
  };
  const Case cases[] = {
      {"821012345678", 821012345678},
      {"  42abc", 42},
      {"+82", 82},
      {"-7", -7},
      {"82-10-1234", 82},
      {"abc", 0},
      {"", 0},
      {"- 5", 0},
      {"\t\n 9", 9},
      {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
      {"9223372036854775808", std::numeric_limits<std::int64_t>::max()},
      {"99999999999999999999999", std::numeric_limits<std::int64_t>::max()},
      {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
      {"-99999999999999999999", std::numeric_limits<std::int64_t>::min()},
  };
  for (const auto& c : cases) EXPECT_EQ(integerValue(c.text), c.value) << c.text;
}

TEST(Utf8AndAscii, Checks) {
  EXPECT_TRUE(isValidUtf8("plain \xC3\xA9"));
  EXPECT_FALSE(isValidUtf8("\xFF"));
  EXPECT_FALSE(isValidUtf8("\xC0\xAF"));  // overlong
  EXPECT_TRUE(isAscii(std::string(100, 'a')));
  EXPECT_FALSE(isAscii(std::string(100, 'a') + "\x80"));
  EXPECT_FALSE(isAscii("\x80" + std::string(100, 'a')));
}

}  // namespace
}  // namespace calldir::platform

#include "base/json_quote.h"

#include <gtest/gtest.h>
#include <simdjson.h>

#include "test_util.h"

namespace calldir::base {
namespace {

TEST(JsonQuote, EscapesWhatJsonRequires) {
  EXPECT_EQ(jsonQuote(""), "\"\"");
  EXPECT_EQ(jsonQuote("a\"b\\c\nd\te\r\x01"), "\"a\\\"b\\\\c\\nd\\te\\r\\u0001\"");
  EXPECT_EQ(jsonQuote("Caf\xC3\xA9 \xF0\x9F\x93\x9E"), "\"Caf\xC3\xA9 \xF0\x9F\x93\x9E\"");
  // Bytes that are not UTF-8 become U+FFFD, one per byte.
  EXPECT_EQ(jsonQuote("a\xFF\xC3(b"), "\"a\xEF\xBF\xBD\xEF\xBF\xBD(b\"");
}

TEST(JsonQuote, AnyBytesGiveAJsonStringThatReadsBackWhenTheyWereUtf8) {
  simdjson::dom::parser parser;
  for (unsigned seed = 0; seed < 300; ++seed) {
    const std::string bytes = testing::randomBytes(seed % 40, seed);
    const std::string quoted = jsonQuote(bytes);
    std::string_view back;
    ASSERT_EQ(parser.parse(quoted).get(back), simdjson::SUCCESS) << testing::toHex(bytes);
    if (simdjson::validate_utf8(bytes.data(), bytes.size())) {
      EXPECT_EQ(back, bytes);
    }
  }
}

}  // namespace
}  // namespace calldir::base

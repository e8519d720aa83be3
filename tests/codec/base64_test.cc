#include "codec/base64.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

#include "test_util.h"

namespace calldir::codec {
namespace {

struct DecodeCase {
  const char* name;
  std::optional<std::string> text;
  std::string bytes;
};

TEST(Base64Decode, FollowsTheTolerantRules) {
  const DecodeCase cases[] = {
      {"empty", std::string(""), ""},
      {"null", std::nullopt, ""},
      {"one quantum", std::string("QUJD"), "ABC"},
      {"one pad", std::string("QUI="), "AB"},
      {"two pads", std::string("QQ=="), "A"},
      {"short pad", std::string("QQ="), "A"},
      {"space skipped", std::string("QU JD"), "ABC"},
      {"line feed skipped", std::string("QU\nJD"), "ABC"},
      {"url-safe minus skipped", std::string("QU-JD"), "ABC"},
      {"url-safe underscore skipped", std::string("QU_JD"), "ABC"},
      {"pending sextets dropped", std::string("QUJDRA"), "ABC"},
      {"padded tail", std::string("QUJDRA=="), "ABCD"},
      {"leading pad ends at once", std::string("=QUJD"), ""},
      {"first pad ends", std::string("QUJD=QUJD"), "ABC"},
      {"not ascii", std::string("QUJD\xC3\xA9QUJD"), ""},
      {"not ascii after the pad", std::string("QUI=\xC3\xA9"), ""},
      {"crlf lines", std::string("QUJD\r\nREVG\r\n"), "ABCDEF"},
      {"three sextets then pad", std::string("QUJDREU="), "ABCDE"},
  };
  for (const auto& c : cases) {
    std::optional<std::string_view> view;
    if (c.text) view = *c.text;
    EXPECT_EQ(initWithBase64EncodedString(view), c.bytes) << c.name;
    EXPECT_EQ(dataWithBase64EncodedString(view), c.bytes) << c.name;
  }
}

TEST(Base64Decode, PadAfterOneSextetKeepsItsSixBitsWithLowBitsZero) {
  // "/" is 63: the byte is 111111 followed by two zero bits.
  EXPECT_EQ(initWithBase64EncodedString("QUJD/="), "ABC\xFC");
  EXPECT_EQ(initWithBase64EncodedString("B="), std::string(1, '\x04'));
}

TEST(Base64Decode, DecodesInPlace) {
  for (std::size_t length : {0u, 1u, 2u, 3u, 47u, 48u, 1000u, 4099u}) {
    const std::string data = testing::randomBytes(length, static_cast<unsigned>(length));
    std::string buffer = base64EncodingWithLineLength(data, 76);
    decodeBase64InPlace(buffer);
    EXPECT_EQ(buffer, data) << length;
  }
}

struct EncodeCase {
  std::string data;
  std::uint64_t line_length;
  std::string text;
};

TEST(Base64Encode, WritesPaddedTextAndBreaksLines) {
  const EncodeCase cases[] = {
      {"", 0, ""},
      {"A", 0, "QQ=="},
      {"AB", 0, "QUI="},
      {"abc", 0, "YWJj"},
      {"ABCDEF", 4, "QUJD\nREVG\n"},
      {"ABC", 4, "QUJD\n"},
      {"ABCDEFGHI", 5, "QUJDREVG\nR0hJ"},
      {"ABCDEFG", 1, "QUJD\nREVG\nRw==\n"},
      {"ABCDEFGHIJKL", 8, "QUJDREVG\nR0hJSktM\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(base64EncodingWithLineLength(c.data, c.line_length), c.text)
        << "data '" << c.data << "' line length " << c.line_length;
  }
  EXPECT_EQ(base64Encoding("ABCDEFGHI"), "QUJDREVGR0hJ");
  EXPECT_EQ(base64Encoding("ABCDEFGH"), "QUJDREVGR0g=");
}

TEST(Base64Encode, SixteenBitColumnCountMeansNoBreakFrom65533) {
  const std::string data = testing::randomBytes(200000, 7);
  EXPECT_EQ(base64EncodingWithLineLength(data, 0).find('\n'), std::string::npos);
  EXPECT_EQ(base64EncodingWithLineLength(data, 65533).find('\n'), std::string::npos);
  EXPECT_EQ(base64EncodingWithLineLength(data, 1ULL << 40).find('\n'), std::string::npos);
  // 65532 is still honoured: a break after every 16383 groups.
  const std::string broken = base64EncodingWithLineLength(data, 65532);
  ASSERT_NE(broken.find('\n'), std::string::npos);
  EXPECT_EQ(broken.find('\n'), 65532u);
}

TEST(Base64, RoundTripsRandomDataAtRandomLineLengths) {
  for (unsigned seed = 0; seed < 200; ++seed) {
    const std::size_t length = (seed * 7919u) % 700;
    const std::uint64_t line = (seed * 31u) % 90;
    const std::string data = testing::randomBytes(length, seed);
    const std::string text = base64EncodingWithLineLength(data, line);
    EXPECT_EQ(initWithBase64EncodedString(text), data) << "length " << length << " line " << line;
  }
}

TEST(Base64, MatchesTheOpensslCommand) {
  testing::TempDir dir;
  const std::string data = testing::randomBytes(1000, 99);
  testing::writeFile(dir.file("data"), data);
  auto result = testing::runCommand("openssl base64 -A -in " + dir.file("data"));
  ASSERT_EQ(result.status, 0);
  EXPECT_EQ(result.out, base64Encoding(data));
  // openssl breaks lines at 64 characters, which our decoder skips over.
  result = testing::runCommand("openssl base64 -in " + dir.file("data"));
  ASSERT_EQ(result.status, 0);
  EXPECT_EQ(initWithBase64EncodedString(result.out), data);
  // For whole lines both break the same way, a line feed after the last one too.
  const std::string lines = data.substr(0, 960);
  testing::writeFile(dir.file("lines"), lines);
  result = testing::runCommand("openssl base64 -in " + dir.file("lines"));
  ASSERT_EQ(result.status, 0);
  EXPECT_EQ(result.out, base64EncodingWithLineLength(lines, 64));
}

TEST(ByteTests, PrefixAndSuffix) {
  const std::string data = "ABCDEF";
  EXPECT_TRUE(hasPrefix(data, "ABC"));
  EXPECT_TRUE(hasPrefix(data, "ABCDEF"));
  EXPECT_FALSE(hasPrefix(data, "ABCDEFG"));
  EXPECT_FALSE(hasPrefix(data, "BC"));
  EXPECT_FALSE(hasPrefix(data, ""));
  EXPECT_FALSE(hasPrefix(data, std::nullopt));
  EXPECT_FALSE(hasPrefix("", ""));
  EXPECT_FALSE(hasPrefix("", std::nullopt));
  EXPECT_TRUE(hasSuffix(data, "DEF"));
  EXPECT_TRUE(hasSuffix(data, "ABCDEF"));
  EXPECT_FALSE(hasSuffix(data, "0ABCDEF"));
  EXPECT_FALSE(hasSuffix(data, "DE"));
  EXPECT_FALSE(hasSuffix(data, ""));
  EXPECT_FALSE(hasSuffix(data, std::nullopt));
  EXPECT_FALSE(hasSuffix("", ""));

  EXPECT_TRUE(hasPrefixBytes(data, "AB", 2));
  EXPECT_FALSE(hasPrefixBytes(data, "AB", 0));
  EXPECT_FALSE(hasPrefixBytes(data, nullptr, 2));
  EXPECT_FALSE(hasPrefixBytes(data, "ABCDEFG", 7));
  EXPECT_TRUE(hasSuffixBytes(data, "EF", 2));
  EXPECT_FALSE(hasSuffixBytes(data, "EF", 0));
  EXPECT_FALSE(hasSuffixBytes(data, nullptr, 2));
  EXPECT_FALSE(hasSuffixBytes(data, "XABCDEF", 7));
  // Embedded zero bytes compare like any other byte.
  EXPECT_TRUE(hasSuffix(std::string("A\0B", 3), std::string_view("\0B", 2)));
}

TEST(Base64, TheVectorRoadReadsExactlyAsTheScalarOne) {
  std::mt19937 random(5);
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::string foreign = "\n\r \t-_.=*@\x01\x7f";
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const int pieces = std::uniform_int_distribution<int>(0, 8)(random);
    for (int p = 0; p < pieces; ++p) {
      // Long clean runs, cut by a foreign character now and then.
      const int run = std::uniform_int_distribution<int>(0, 100)(random);
      for (int k = 0; k < run; ++k) text += alphabet[std::uniform_int_distribution<int>(0, 63)(random)];
      if (std::uniform_int_distribution<int>(0, 3)(random) == 0) {
        text += foreign[std::uniform_int_distribution<std::size_t>(0, foreign.size() - 1)(random)];
      }
    }
    std::string fast(text.size() + 32, '\0'), scalar(text.size() + 32, '\0');
    fast.resize(decodeBase64Ascii(text.data(), text.size(), fast.data()));
    scalar.resize(decodeBase64AsciiScalar(text.data(), text.size(), scalar.data()));
    ASSERT_EQ(fast, scalar) << text;
    std::string in_place = text;
    in_place.resize(decodeBase64Ascii(in_place.data(), in_place.size(), in_place.data()));
    ASSERT_EQ(in_place, scalar) << text;
  }
}

}  // namespace
}  // namespace calldir::codec

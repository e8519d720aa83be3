#include "codec/text_decoding.h"

#include <gtest/gtest.h>

#include "codec/aes.h"
#include "codec/base64.h"
#include "codec/list_key.h"
#include "test_util.h"

namespace calldir::codec {
namespace {

std::string encodeList(const std::string& plain, std::uint64_t line_length = 0) {
  return base64EncodingWithLineLength(*AES256EncryptWithKey(plain, getCallDirectoryEncryptKey()),
                                      line_length);
}

const std::string kPlain = R"([{"number":"821000000001","name":"Test"}])";

DecodeFailure failureOf(std::string text) { return decodeListTextInPlace(text); }

TEST(GetDecodedText, ShortInputsGiveTheEmptyText) {
  for (const char* text : {"", " \t ", "A", " A\t",
                           "\xE2\x80\x80"
                           "A"
                           "\xE3\x80\x80"}) {
    auto decoded = getDecodedText(std::string_view(text));
    ASSERT_TRUE(decoded) << text;
    EXPECT_EQ(*decoded, "") << text;
  }
  EXPECT_EQ(getDecodedText(std::nullopt), "");
  EXPECT_EQ(failureOf(" x "), DecodeFailure::kTooShort);
}

TEST(GetDecodedText, DecodesWhatTheEncoderWrote) {
  EXPECT_EQ(getDecodedText(encodeList(kPlain)), kPlain);
  for (std::uint64_t line : {1u, 4u, 64u, 76u}) EXPECT_EQ(getDecodedText(encodeList(kPlain, line)), kPlain);
  // Spaces, tabs and Unicode space separators around the text are trimmed.
  EXPECT_EQ(getDecodedText(" \t" + encodeList(kPlain) + "\t \xC2\xA0"), kPlain);
  // A line feed after the text is not trimmed but the Base64 layer skips it.
  EXPECT_EQ(getDecodedText(encodeList(kPlain) + "\n"), kPlain);
  EXPECT_EQ(getDecodedText(encodeList(kPlain) + "\r\n"), kPlain);
}

TEST(GetDecodedText, FailuresGiveNoText) {
  // Two line feeds survive the trim, decode to no bytes and fail the cipher.
  EXPECT_FALSE(getDecodedText("\n\n"));
  EXPECT_EQ(failureOf("\n\n"), DecodeFailure::kCipher);

  std::string with_accent = encodeList(kPlain);
  with_accent.insert(10, "\xC3\xA9");
  EXPECT_FALSE(getDecodedText(with_accent));
  EXPECT_EQ(failureOf(with_accent), DecodeFailure::kNotAscii);

  const std::string other_key =
      base64Encoding(*AES256EncryptWithKey(kPlain, std::string("not the list key")));
  EXPECT_FALSE(getDecodedText(other_key));

  std::string tampered = encodeList(kPlain);
  tampered[tampered.size() - 3] = tampered[tampered.size() - 3] == 'A' ? 'B' : 'A';
  EXPECT_NE(getDecodedText(tampered), std::optional<std::string>(kPlain));

  const std::string not_utf8 = encodeList("[\"\xFF\xFE\"]  padding here");
  EXPECT_FALSE(getDecodedText(not_utf8));
  EXPECT_EQ(failureOf(not_utf8), DecodeFailure::kNotUtf8);
}

TEST(GetDecodedText, RoundTripsRandomTextAtRandomLineLengths) {
  for (unsigned seed = 1; seed < 60; ++seed) {
    std::string plain = testing::sampleCallerList(seed % 17);
    plain += std::string(seed % 5, ' ');
    EXPECT_EQ(getDecodedText(encodeList(plain, (seed * 13) % 100)), plain) << seed;
  }
}

TEST(DescribeDecodeFailure, NamesEveryLayer) {
  for (auto f : {DecodeFailure::kTooShort, DecodeFailure::kNotAscii, DecodeFailure::kCipher,
                 DecodeFailure::kNotUtf8}) {
    EXPECT_GT(std::string(describeDecodeFailure(f)).size(), 10u);
  }
}

}  // namespace
}  // namespace calldir::codec

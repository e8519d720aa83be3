#include "codec/aes.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace calldir::codec {
namespace {

const std::string kKey = "0123456789abcdef";

TEST(Aes256, OutputLengthsFollowThePadding) {
  EXPECT_EQ(AES256EncryptWithKey("", kKey)->size(), 16u);
  EXPECT_EQ(AES256EncryptWithKey(std::string(15, 'x'), kKey)->size(), 16u);
  EXPECT_EQ(AES256EncryptWithKey(std::string(16, 'x'), kKey)->size(), 32u);
  EXPECT_EQ(AES256EncryptWithKey(std::string(17, 'x'), kKey)->size(), 32u);
  const auto block = AES256EncryptWithKey("", kKey);
  EXPECT_EQ(AES256DecryptWithKey(*block, kKey), std::string());
}

TEST(Aes256, RoundTripsEveryLengthAndIsDeterministic) {
  for (std::size_t length = 0; length < 100; ++length) {
    const std::string data = testing::randomBytes(length, static_cast<unsigned>(length));
    const auto cipher = AES256EncryptWithKey(data, kKey);
    ASSERT_TRUE(cipher);
    EXPECT_EQ(AES256EncryptWithKey(data, kKey), cipher);
    EXPECT_EQ(AES256DecryptWithKey(*cipher, kKey), data) << length;
    std::string in_place = *cipher;
    ASSERT_TRUE(AES256DecryptInPlace(in_place, kKey));
    EXPECT_EQ(in_place, data);
  }
}

TEST(Aes256, SharedLeadingBlocksGiveSharedCiphertextBlocks) {
  const std::string a = std::string(32, 'a') + "tail one";
  const std::string b = std::string(32, 'a') + "another tail";
  EXPECT_EQ(AES256EncryptWithKey(a, kKey)->substr(0, 32), AES256EncryptWithKey(b, kKey)->substr(0, 32));
}

TEST(Aes256, RefusesWhatDoesNotDecipher) {
  const auto cipher = *AES256EncryptWithKey("some caller list text", kKey);
  EXPECT_FALSE(AES256DecryptWithKey(cipher.substr(0, 31), kKey));  // not whole blocks
  EXPECT_FALSE(AES256DecryptWithKey("", kKey));                    // no block at all
  // Tampering with the last block breaks the padding.
  std::string tampered = cipher;
  tampered.back() = static_cast<char>(tampered.back() ^ 0x55);
  EXPECT_FALSE(AES256DecryptWithKey(tampered, kKey));
  // Another key nearly always fails on the padding; count how often.
  int accepted = 0;
  for (int i = 0; i < 50; ++i) {
    if (AES256DecryptWithKey(cipher, "another key " + std::to_string(i))) ++accepted;
  }
  EXPECT_LE(accepted, 2);
}

TEST(Aes256, KeyTextOver32BytesGivesNoResult) {
  EXPECT_TRUE(AES256EncryptWithKey("data", std::string(32, 'k')));
  EXPECT_FALSE(AES256EncryptWithKey("data", std::string(33, 'k')));
  EXPECT_FALSE(AES256DecryptWithKey(std::string(16, '\0'), std::string(33, 'k')));
  std::string buffer(16, '\0');
  EXPECT_FALSE(AES256DecryptInPlace(buffer, std::string(33, 'k')));
}

TEST(Aes256, NullKeyIsThirtyTwoZeroBytes) {
  const std::string zeros(32, '\0');
  EXPECT_EQ(AES256EncryptWithKey("data", std::nullopt), AES256EncryptWithKey("data", zeros));
  // A short key is padded with zero bytes the same way.
  EXPECT_EQ(AES256EncryptWithKey("data", kKey), AES256EncryptWithKey("data", kKey + std::string(16, '\0')));
}

TEST(Aes256, MatchesTheOpensslCommandBothWays) {
  testing::TempDir dir;
  const std::string key_hex = testing::toHex(kKey) + std::string(32, '0');
  const std::string iv_hex(32, '0');
  for (std::size_t length : {0u, 5u, 16u, 1000u}) {
    const std::string data = testing::randomBytes(length, 3);
    testing::writeFile(dir.file("plain"), data);
    auto result = testing::runCommand("openssl enc -aes-256-cbc -nosalt -K " + key_hex + " -iv " + iv_hex +
                                      " -in " + dir.file("plain"));
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(result.out, AES256EncryptWithKey(data, kKey)) << length;
    testing::writeFile(dir.file("cipher"), *AES256EncryptWithKey(data, kKey));
    result = testing::runCommand("openssl enc -d -aes-256-cbc -nosalt -K " + key_hex + " -iv " + iv_hex +
                                 " -in " + dir.file("cipher"));
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(result.out, data) << length;
  }
}

}  // namespace
}  // namespace calldir::codec

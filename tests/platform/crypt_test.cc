#include "platform/crypt.h"

#include <gtest/gtest.h>

#include <string>

#include "test_util.h"

namespace calldir::platform {
namespace {

std::string fromHex(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return out;
}

// NIST SP 800-38A, F.2.5 (CBC-AES256.Encrypt). The vectors carry no padding,
// so the first four blocks of our padded output must match them.
TEST(CryptOneShot, MatchesThePublishedCbcAes256Vectors) {
  const std::string key = fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
  const std::string iv = fromHex("000102030405060708090a0b0c0d0e0f");
  const std::string plain = fromHex(
      "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
      "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
  const std::string expected =
      "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
      "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b";
  std::string out(plain.size() + 16, '\0');
  std::size_t moved = 99;
  ASSERT_EQ(cryptOneShot(CryptOperation::kEncrypt, key.data(), key.size(), iv.data(), plain.data(),
                         plain.size(), out.data(), out.size(), &moved),
            CryptStatus::kSuccess);
  ASSERT_EQ(moved, 80u);
  EXPECT_EQ(testing::toHex(out.substr(0, 64)), expected);

  std::string back(out.size(), '\0');
  ASSERT_EQ(cryptOneShot(CryptOperation::kDecrypt, key.data(), key.size(), iv.data(), out.data(), moved,
                         back.data(), back.size(), &moved),
            CryptStatus::kSuccess);
  EXPECT_EQ(back.substr(0, moved), plain);
}

TEST(CryptOneShot, ReportsEachFailure) {
  const std::string key(32, 'k');
  std::string out(64, '\0');
  std::size_t moved = 99;
  EXPECT_EQ(
      cryptOneShot(CryptOperation::kEncrypt, key.data(), 31, nullptr, "x", 1, out.data(), out.size(), &moved),
      CryptStatus::kParamError);
  EXPECT_EQ(moved, 0u);
  EXPECT_EQ(cryptOneShot(CryptOperation::kEncrypt, key.data(), 32, nullptr, "x", 1, out.data(), 15, &moved),
            CryptStatus::kBufferTooSmall);
  EXPECT_EQ(cryptOneShot(CryptOperation::kDecrypt, key.data(), 32, nullptr, out.data(), 17, out.data(),
                         out.size(), &moved),
            CryptStatus::kAlignmentError);
  // Sixteen zero bytes under this key do not end in valid padding.
  std::string zeros(16, '\0');
  const CryptStatus status = cryptOneShot(CryptOperation::kDecrypt, key.data(), 32, nullptr, zeros.data(), 16,
                                          out.data(), out.size(), &moved);
  EXPECT_EQ(status, CryptStatus::kDecodeError);
  EXPECT_EQ(moved, 0u);
}

TEST(CryptOneShot, WorksInPlaceOnLargeBuffers) {
  const std::string key(32, 'q');
  const std::string plain = testing::randomBytes(1 << 20, 5);
  std::string buffer = plain;
  buffer.resize(plain.size() + 16);
  std::size_t moved = 0;
  ASSERT_EQ(cryptOneShot(CryptOperation::kEncrypt, key.data(), 32, nullptr, buffer.data(), plain.size(),
                         buffer.data(), buffer.size(), &moved),
            CryptStatus::kSuccess);
  ASSERT_EQ(moved, plain.size() + 16);
  ASSERT_EQ(cryptOneShot(CryptOperation::kDecrypt, key.data(), 32, nullptr, buffer.data(), moved,
                         buffer.data(), buffer.size(), &moved),
            CryptStatus::kSuccess);
  buffer.resize(moved);
  EXPECT_EQ(buffer, plain);
}

}  // namespace
}  // namespace calldir::platform

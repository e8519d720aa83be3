#include "codec/aes.h"

#include <array>
#include <cstring>

#include "platform/crypt.h"

namespace calldir::codec {

namespace {

constexpr std::size_t kKeySize = 32;
constexpr std::size_t kBlockSize = 16;

// The 33-byte key buffer: zeroed, then the key text copied in as a
// zero-terminated string. A text that does not fit gives no key.
std::optional<std::array<char, kKeySize + 1>> keyBuffer(std::optional<std::string_view> key) {
  std::array<char, kKeySize + 1> buffer{};
  if (key) {
    if (key->size() > kKeySize) return std::nullopt;
    std::memcpy(buffer.data(), key->data(), key->size());
  }
  return buffer;
}

std::optional<std::string> run(platform::CryptOperation operation, std::string_view data,
                               std::optional<std::string_view> key) {
  const auto buffer = keyBuffer(key);
  if (!buffer) return std::nullopt;
  std::string out(data.size() + kBlockSize, '\0');
  std::size_t moved = 0;
  const auto status = platform::cryptOneShot(operation, buffer->data(), kKeySize, nullptr, data.data(),
                                             data.size(), out.data(), out.size(), &moved);
  if (status != platform::CryptStatus::kSuccess) return std::nullopt;
  out.resize(moved);
  return out;
}

}  // namespace

std::optional<std::string> AES256EncryptWithKey(std::string_view data, std::optional<std::string_view> key) {
  return run(platform::CryptOperation::kEncrypt, data, key);
}

std::optional<std::string> AES256DecryptWithKey(std::string_view data, std::optional<std::string_view> key) {
  return run(platform::CryptOperation::kDecrypt, data, key);
}

bool AES256EncryptInPlace(std::string& buffer, std::optional<std::string_view> key) {
  const auto key_bytes = keyBuffer(key);
  if (!key_bytes) return false;
  const std::size_t length = buffer.size();
  buffer.resize(length + kBlockSize);  // room for the padding
  std::size_t moved = 0;
  const auto status =
      platform::cryptOneShot(platform::CryptOperation::kEncrypt, key_bytes->data(), kKeySize, nullptr,
                             buffer.data(), length, buffer.data(), buffer.size(), &moved);
  if (status != platform::CryptStatus::kSuccess) return false;
  buffer.resize(moved);
  return true;
}

bool AES256DecryptInPlace(std::string& buffer, std::optional<std::string_view> key) {
  const auto key_bytes = keyBuffer(key);
  if (!key_bytes) return false;
  std::size_t moved = 0;
  const auto status =
      platform::cryptOneShot(platform::CryptOperation::kDecrypt, key_bytes->data(), kKeySize, nullptr,
                             buffer.data(), buffer.size(), buffer.data(), buffer.size(), &moved);
  if (status != platform::CryptStatus::kSuccess) return false;
  buffer.resize(moved);
  return true;
}

}  // namespace calldir::codec

#include "platform/crypt.h"

#include <openssl/evp.h>

#include <climits>
#include <cstdint>
#include <memory>

namespace calldir::platform {

namespace {

struct CipherContextDeleter {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextDeleter>;

constexpr std::size_t kBlockSize = 16;

const EVP_CIPHER* cipherForKeyLength(std::size_t key_length) {
  switch (key_length) {
    case 16:
      return EVP_aes_128_cbc();
    case 24:
      return EVP_aes_192_cbc();
    case 32:
      return EVP_aes_256_cbc();
    default:
      return nullptr;
  }
}

}  // namespace

CryptStatus cryptOneShot(CryptOperation operation, const void* key, std::size_t key_length, const void* iv,
                         const void* in, std::size_t in_length, void* out, std::size_t out_available,
                         std::size_t* out_moved) {
  if (out_moved != nullptr) *out_moved = 0;
  const EVP_CIPHER* cipher = cipherForKeyLength(key_length);
  if (cipher == nullptr || key == nullptr || out == nullptr || out_moved == nullptr ||
      (in == nullptr && in_length != 0)) {
    return CryptStatus::kParamError;
  }
  const bool encrypt = operation == CryptOperation::kEncrypt;
  if (!encrypt && in_length % kBlockSize != 0) return CryptStatus::kAlignmentError;
  const std::size_t needed = encrypt ? (in_length / kBlockSize + 1) * kBlockSize : in_length;
  if (out_available < needed) return CryptStatus::kBufferTooSmall;

  CipherContext ctx(EVP_CIPHER_CTX_new());
  if (!ctx) return CryptStatus::kUnspecifiedError;
  static constexpr unsigned char kZeroIv[kBlockSize] = {};
  const auto* iv_bytes = iv != nullptr ? static_cast<const unsigned char*>(iv) : kZeroIv;
  if (EVP_CipherInit_ex(ctx.get(), cipher, nullptr, static_cast<const unsigned char*>(key), iv_bytes,
                        encrypt ? 1 : 0) != 1) {
    return CryptStatus::kUnspecifiedError;
  }
  // Decryption runs without EVP's padding so that every slice below maps its
  // input onto the same span of output (EVP holds back a block otherwise,
  // which breaks in-place use across slices); the padding is checked after.
  if (!encrypt) EVP_CIPHER_CTX_set_padding(ctx.get(), 0);

  // EVP takes int lengths; feed large buffers in slices. Slices are whole
  // blocks, so in-place operation stays in step: output never passes input.
  auto* dst = static_cast<unsigned char*>(out);
  const auto* src = static_cast<const unsigned char*>(in);
  std::size_t left = in_length;
  std::size_t written = 0;
  constexpr std::size_t kSlice = (INT_MAX / 2) & ~(kBlockSize - 1);
  while (left > 0) {
    const std::size_t take = left < kSlice ? left : kSlice;
    int produced = 0;
    if (EVP_CipherUpdate(ctx.get(), dst + written, &produced, src, static_cast<int>(take)) != 1) {
      return CryptStatus::kUnspecifiedError;
    }
    written += static_cast<std::size_t>(produced);
    src += take;
    left -= take;
  }
  int produced = 0;
  if (EVP_CipherFinal_ex(ctx.get(), dst + written, &produced) != 1) {
    return CryptStatus::kUnspecifiedError;
  }
  written += static_cast<std::size_t>(produced);
  if (!encrypt) {
    // PKCS#7: the last byte n (1..16) says how many bytes of padding there
    // are, and each of them holds n.
    if (written == 0) return CryptStatus::kDecodeError;
    const unsigned char pad = dst[written - 1];
    if (pad == 0 || pad > kBlockSize) return CryptStatus::kDecodeError;
    for (std::size_t i = written - pad; i < written; ++i) {
      if (dst[i] != pad) return CryptStatus::kDecodeError;
    }
    written -= pad;
  }
  *out_moved = written;
  return CryptStatus::kSuccess;
}

}  // namespace calldir::platform

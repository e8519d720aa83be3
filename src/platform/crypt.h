// The platform's one-shot cipher call, limited to what the extension uses:
// AES in CBC mode with PKCS#7 padding over a whole buffer in one call.
// It keeps the platform call's contract: either the whole output is produced
// and kSuccess returned, or another status is returned and the output is void.
#pragma once

#include <cstddef>

namespace calldir::platform {

enum class CryptOperation {
  kEncrypt = 0,
  kDecrypt = 1,
};

// Status codes, numbered as the platform numbers them.
enum class CryptStatus {
  kSuccess = 0,             // the whole output was written
  kParamError = -4300,      // a key length other than 16, 24 or 32, or a null buffer
  kBufferTooSmall = -4301,  // `out_available` cannot hold the output
  kAlignmentError = -4303,  // decrypting input whose length is not a multiple of 16
  kDecodeError = -4304,     // decrypted data whose padding does not check out
  kUnspecifiedError = -4308,
};

// Enciphers or deciphers `in_length` bytes at `in` into `out` with AES-CBC and
// PKCS#7 padding. The key length (16, 24 or 32 bytes) picks AES-128, -192 or
// -256. A null `iv` means sixteen zero bytes. `out` may be the same address
// as `in` (in-place); otherwise the buffers must not overlap. `*out_moved` is
// set to the number of bytes written on success and to 0 otherwise.
CryptStatus cryptOneShot(CryptOperation operation, const void* key, std::size_t key_length, const void* iv,
                         const void* in, std::size_t in_length, void* out, std::size_t out_available,
                         std::size_t* out_moved);

}  // namespace calldir::platform

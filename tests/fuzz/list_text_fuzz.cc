// Decoding a list text never fails loudly and agrees with getDecodedText; any
// plain text encodes to a list text that decodes back to it, as long as it is
// UTF-8, at any line length.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "codec/text_decoding.h"
#include "fuzz_check.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using calldir::codec::DecodeFailure;
  using calldir::fuzz::require;
  FuzzedDataProvider input(data, size);
  const auto line_length = input.ConsumeIntegralInRange<std::uint64_t>(0, 100);
  const std::string text = input.ConsumeRemainingBytesAsString();

  const auto decoded = calldir::codec::decodeListText(text);
  require(calldir::codec::getDecodedText(text) == decoded.text, "getDecodedText hands the decoding on");
  require((decoded.failure == DecodeFailure::kNone) == (decoded.text && !decoded.text->empty()) ||
              decoded.failure == DecodeFailure::kTooShort || decoded.text == std::string(),
          "a result is given exactly when decoding got through");
  if (decoded.text) require(calldir::platform::isValidUtf8(*decoded.text), "plain texts are UTF-8");

  const auto back = calldir::codec::decodeListText(calldir::codec::encodeListText(text, line_length));
  if (calldir::platform::isValidUtf8(text)) {
    require(back.failure == DecodeFailure::kNone && back.text == text, "a UTF-8 text round-trips");
  } else {
    require(back.failure == DecodeFailure::kNotUtf8, "a text that is not UTF-8 decodes to nothing");
  }
  return 0;
}

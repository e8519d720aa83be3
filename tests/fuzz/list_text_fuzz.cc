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

  std::string decoded = text;
  const DecodeFailure failure = calldir::codec::decodeListTextInPlace(decoded);
  const auto handed_on = calldir::codec::getDecodedText(text);
  require(failure == DecodeFailure::kNone || failure == DecodeFailure::kTooShort ? handed_on == decoded
                                                                                 : !handed_on,
          "getDecodedText hands the decoding on: a text exactly when decoding got through");
  if (handed_on) require(calldir::platform::isValidUtf8(*handed_on), "plain texts are UTF-8");

  std::string back = calldir::codec::encodeListText(text, line_length);
  const DecodeFailure back_failure = calldir::codec::decodeListTextInPlace(back);
  if (calldir::platform::isValidUtf8(text)) {
    require(back_failure == DecodeFailure::kNone && back == text, "a UTF-8 text round-trips");
  } else {
    require(back_failure == DecodeFailure::kNotUtf8, "a text that is not UTF-8 decodes to nothing");
  }
  return 0;
}

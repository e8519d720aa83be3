// The wire framing, both directions: any bytes fed in any slices decode
// without harm, whole messages encode back to exactly the bytes they came
// from, and an answer decodes only when it is one.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "fuzz_check.h"
#include "wire/framing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using calldir::fuzz::require;
  FuzzedDataProvider input(data, size);
  const auto slice = input.ConsumeIntegralInRange<std::size_t>(1, 64);
  const std::string bytes = input.ConsumeRemainingBytesAsString();

  calldir::wire::OperationDecoder decoder;
  std::string reencoded;
  std::size_t consumed_whole = 0;
  for (std::size_t at = 0; at < bytes.size(); at += slice) {
    const std::string piece = bytes.substr(at, slice);
    decoder.feed(piece.data(), piece.size());
    while (auto m = decoder.next()) {
      calldir::wire::encodeOperation(reencoded, m->operation, m->number, m->label);
      (void)calldir::wire::describeOperation(*m);
      consumed_whole = reencoded.size();
    }
    if (decoder.malformed()) break;
  }
  require(bytes.compare(0, consumed_whole, reencoded) == 0, "messages encode back to their bytes");

  if (auto answer = calldir::wire::decodeAnswer(bytes)) {
    require(calldir::wire::encodeAnswer(*answer) == bytes, "an answer encodes back to its bytes");
  }
  return 0;
}

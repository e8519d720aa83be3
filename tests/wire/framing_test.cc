#include "wire/framing.h"

#include <gtest/gtest.h>

#include <vector>

namespace calldir::wire {
namespace {

std::string encodeAll() {
  std::string out;
  encodeOperation(out, Operation::kSetDelegate);
  encodeOperation(out, Operation::kIsIncremental);
  encodeOperation(out, Operation::kRemoveAll);
  encodeOperation(out, Operation::kAdd, 821000000001, "Caf\xC3\xA9 \"A\"");
  encodeOperation(out, Operation::kRemove, -5);
  encodeOperation(out, Operation::kAddBlocking, 14085555555);
  encodeOperation(out, Operation::kRemoveBlocking, 0);
  encodeOperation(out, Operation::kAdd, 1, "");
  encodeOperation(out, Operation::kComplete);
  return out;
}

const std::vector<std::string> kDescribed = {
    "setDelegate",
    "isIncremental",
    "removeAllIdentificationEntries",
    "addIdentificationEntry 821000000001 \"Caf\xC3\xA9 \\\"A\\\"\"",
    "removeIdentificationEntry -5",
    "addBlockingEntry 14085555555",
    "removeBlockingEntry 0",
    "addIdentificationEntry 1 \"\"",
    "completeRequest",
};

TEST(OperationDecoder, DecodesWhateverWayTheBytesArrive) {
  const std::string bytes = encodeAll();
  for (std::size_t chunk : {bytes.size(), std::size_t{1}, std::size_t{5}}) {
    OperationDecoder decoder;
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < bytes.size(); i += chunk) {
      decoder.feed(bytes.data() + i, std::min(chunk, bytes.size() - i));
      while (auto m = decoder.next()) seen.push_back(describeOperation(*m));
    }
    EXPECT_EQ(seen, kDescribed) << "chunk " << chunk;
    EXPECT_FALSE(decoder.pending());
    EXPECT_FALSE(decoder.malformed());
  }
}

TEST(OperationDecoder, FlagsAnUnknownOperation) {
  OperationDecoder decoder;
  decoder.feed("Dz", 2);
  EXPECT_TRUE(decoder.next());
  EXPECT_FALSE(decoder.next());
  EXPECT_TRUE(decoder.malformed());
}

TEST(Answer, RoundTrips) {
  EXPECT_TRUE(decodeAnswer(encodeAnswer({}))->completed());
  const platform::CallDirectoryError error{.code = 3, .reason = "entries out of order"};
  const auto failed = decodeAnswer(encodeAnswer({error}));
  ASSERT_TRUE(failed);
  EXPECT_EQ(failed->failure, error);
  EXPECT_FALSE(decodeAnswer(""));
  EXPECT_FALSE(
      decodeAnswer(encodeAnswer({platform::CallDirectoryError{.code = 3, .reason = "cut"}}).substr(0, 10)));
}

}  // namespace
}  // namespace calldir::wire

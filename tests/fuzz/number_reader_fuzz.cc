// Reading a number text never fails loudly; what it reads as valid is E.164
// digits that read back as themselves where digits are taken as written (an
// ambiguous text's other reading too), and a CSV made of anything either
// parses into a list whose lines rise or says where it does not.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <string>

#include "fuzz_check.h"
#include "lists/csv.h"
#include "lists/number_reader.h"
#include "platform/json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using calldir::fuzz::require;
  FuzzedDataProvider input(data, size);
  static const char* const kRegions[] = {"", "KR", "US", "DE", "IT"};
  const char* region = kRegions[input.ConsumeIntegralInRange<int>(0, 4)];
  calldir::lists::NumberReader reader(region);
  calldir::lists::NumberReader e164(region, true);  // a fixed list's digits are read so
  const std::string text = input.ConsumeRandomLengthString(64);
  const calldir::lists::NumberReading reading = reader.read(text);
  if (reading.kind != calldir::lists::NumberReading::Kind::kUnreadable) {
    require(!reading.digits.empty() && std::all_of(reading.digits.begin(), reading.digits.end(),
                                                   [](char c) { return c >= '0' && c <= '9'; }),
            "a reading is digits");
  }
  using Kind = calldir::lists::NumberReading::Kind;
  if (reading.valid()) {
    require(e164.read(reading.digits).kind == Kind::kAsWritten, "valid digits read as themselves");
  }
  if (reading.ambiguous()) {
    require(reading.kind == Kind::kRead && reading.other != reading.digits &&
                e164.read(reading.other).kind == Kind::kAsWritten,
            "an ambiguous text's two readings are both valid numbers");
  }
  (void)reader.whyNotValid(text, reading);

  const std::string csv = input.ConsumeRemainingBytesAsString();
  const auto list = calldir::lists::csvToList(csv, {});
  if (list.ok()) {
    require(calldir::platform::checkJsonArray(list->plain).ok(), "a CSV becomes a JSON array");
    require(std::is_sorted(list->lines.begin(), list->lines.end()), "elements come in line order");
  } else {
    require(!list.status().message().empty(), "a refusal says why");
  }
  return 0;
}

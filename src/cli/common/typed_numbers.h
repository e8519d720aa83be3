// Numbers a person types at the command line (`lookup`, `why`), read as the
// list tools read the numbers of a list, and what to say when one shows no
// label: a reading under another likely region that does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "lists/number_reader.h"
#include "telephony/call_directory_store.h"

namespace calldir::cli {

// The number `text` names, as the store would hold it: its reading when
// there is one (a doubtful one too), else digits alone as they are. Any
// number the store can hold is taken as written: a negative one ("-5") or
// one of 19 digits up to 9223372036854775807. An invalid-argument error for
// a text that is no number.
// Gives the reading it took it from too (none for a number taken as written).
struct TypedNumber {
  std::int64_t number = 0;
  lists::NumberReading reading;
};
base::Result<TypedNumber> typedNumber(std::string_view text, lists::NumberReader& reader);

// Each of `texts` read as typedNumber reads it, under `region`.
base::Result<std::vector<std::int64_t>> typedNumbers(const std::vector<std::string>& texts,
                                                     const std::string& region);

// The regions most of the stored numbers belong to, most common first.
std::vector<std::string> likelyRegions(telephony::CallDirectoryStore& store);

// A reading of a typed number in another region than the one it was read in.
struct OtherReading {
  std::string region;
  std::int64_t number = 0;
  std::vector<std::string> labels;
};

// The readings of `text` under `regions` that name another number than
// `number`, each with its labels.
base::Result<std::vector<OtherReading>> otherReadings(std::string_view text, std::int64_t number,
                                                      const std::vector<std::string>& regions,
                                                      telephony::CallDirectoryStore& store);

// For a number no phone number is (negative, or of 19 digits), what it can
// only have come from; no value for any other.
std::optional<std::string> noPhoneNumberNote(std::int64_t number);

// Why `text`, looked up as `number`, may have missed, in one sentence; no
// value when nothing suggests a mistake.
std::optional<std::string> missHint(std::string_view text, std::int64_t number,
                                    const std::vector<OtherReading>& others);

}  // namespace calldir::cli

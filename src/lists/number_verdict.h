// What one number text of a caller list comes to, decided once for every
// command: what the extension stores for it, what it means, the problem it
// has, and whether `list fix` writes it. `list check` warns with the problem
// and `list fix` drops with it, so the two agree element by element.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "lists/number_reader.h"
#include "lists/problem_codes.h"

namespace calldir::lists {

struct NumberVerdict {
  std::int64_t stored = 0;  // what the extension stores: the text's leading digits (`integerValue`)
  NumberReading reading;    // what the text means
  // reads_differently, ambiguous, doubtful, not_positive, not_international
  // or unreadable_number; none when the extension stores what the text means.
  std::optional<ProblemCode> problem;

  // True when `list fix` writes it, as `reading.digits`: a valid reading,
  // or a doubtful one kept on request.
  bool written(bool keep_doubtful) const {
    return reading.valid() || (keep_doubtful && reading.kind == NumberReading::Kind::kDoubtful);
  }
};

// The verdict on `text`, read as `reader` reads it:
// - a valid reading is written; the problem is `ambiguous` when the region
//   reads digits alone as another number, `reads_differently` when the
//   extension would store other digits, and none otherwise;
// - a doubtful one is `doubtful`;
// - a text with no reading is `not_positive` when the extension stores 0 or
//   less, `unreadable_number` when the digits it takes are a phone number but
//   the text holds more ("821012345671 (mobile)", "a/b"), and
//   `not_international` when those digits can never be one.
NumberVerdict judgeNumber(NumberReader& reader, std::string_view text);

}  // namespace calldir::lists

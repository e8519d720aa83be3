#include "lists/number_verdict.h"

#include <string>

#include "platform/text.h"

namespace calldir::lists {

NumberVerdict judgeNumber(NumberReader& reader, std::string_view text) {
  NumberVerdict verdict;
  verdict.stored = platform::integerValue(text);
  verdict.reading = reader.read(text);
  const NumberReading& reading = verdict.reading;
  if (reading.ambiguous()) {
    verdict.problem = ProblemCode::kAmbiguous;
  } else if (reading.valid()) {
    if (reading.digits != std::to_string(verdict.stored)) verdict.problem = ProblemCode::kReadsDifferently;
  } else if (reading.kind == NumberReading::Kind::kDoubtful) {
    verdict.problem = ProblemCode::kDoubtful;
  } else if (verdict.stored <= 0) {
    verdict.problem = ProblemCode::kNotPositive;
  } else if (reader.read(std::to_string(verdict.stored)).valid()) {
    verdict.problem = ProblemCode::kUnreadableNumber;
  } else {
    verdict.problem = ProblemCode::kNotInternational;
  }
  return verdict;
}

}  // namespace calldir::lists

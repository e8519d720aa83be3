// Phone numbers as the spreadsheets of one region hold them, for the
// property tests of the list tools.
#pragma once

#include <random>
#include <string>

namespace calldir::testing {

// A number of `region` in one of the forms people write: E.164 digits, "+"
// with separators, national formats, a dropped leading zero, a digit too
// many or too few, masked digits.
std::string writtenNumber(std::mt19937& random, const std::string& region);

}  // namespace calldir::testing

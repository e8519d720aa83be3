// Phone numbers as people write them, read with libphonenumber: "+82 10-1234-
// 5678", "(202) 555-0123" in US, "010-1234-5678" in KR. The extension itself
// takes a number's leading digits as they are; these functions say what the
// digits mean and turn what people write into the international form the
// phone matches calls against (country code and national number, the E.164
// digits without "+").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/result.h"

namespace calldir::lists {

// True when `region` is a two-letter region code libphonenumber knows ("KR").
bool isKnownRegion(std::string_view region);

// True when "+" followed by `digits` can be an international number.
bool isPossibleInternational(std::string_view digits);

// Reads `text` as a phone number written in `region` (empty: the text must
// begin with "+") and gives its E.164 digits without "+". An
// invalid-argument error says why the text is no phone number.
base::Result<std::string> readPhoneNumber(std::string_view text, std::string_view region);

// True when `text` is nothing but decimal digits.
bool isDigitsOnly(std::string_view text);

}  // namespace calldir::lists

// Small facts about phone numbers from libphonenumber's metadata: known
// regions, the region of E.164 digits. NumberReader reads what people write.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace calldir::lists {

// True when `region` is a two-letter region code libphonenumber knows ("KR").
bool isKnownRegion(std::string_view region);

// The region whose numbers E.164 `digits` begin like (the main region of its
// country code: "KR" for 8210...), or empty when none is.
std::string regionOfDigits(std::string_view digits);

// E.164 `digits` split into the country code and the national significant
// number; no value when they begin with no country code.
std::optional<std::pair<int, std::string>> splitInternational(std::string_view digits);

// The country code of `region` ("KR": 82), 0 for none.
int countryCodeOf(std::string_view region);

// True when `text` is nothing but decimal digits.
bool isDigitsOnly(std::string_view text);

}  // namespace calldir::lists

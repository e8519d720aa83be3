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
inline bool isDigitsOnly(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The characters people write between a number's digits: "+82 (10) 1234-5678".
inline bool isNumberSeparator(char c) { return c == ' ' || c == '-' || c == '.' || c == '(' || c == ')'; }

// `text` without the spaces and tabs around it.
inline std::string_view trimmedOfBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace calldir::lists

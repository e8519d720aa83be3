#include "lists/phone_numbers.h"

#include <phonenumbers/phonenumberutil.h>

namespace calldir::lists {

namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

PhoneNumberUtil& util() { return *PhoneNumberUtil::GetInstance(); }

}  // namespace

bool isKnownRegion(std::string_view region) {
  if (region.size() != 2) return false;
  std::string upper(region);
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  return util().GetCountryCodeForRegion(upper) != 0;
}

std::string regionOfDigits(std::string_view digits) {
  PhoneNumber number;
  if (digits.empty() ||
      util().Parse("+" + std::string(digits), "ZZ", &number) != PhoneNumberUtil::NO_PARSING_ERROR) {
    return "";
  }
  std::string region;
  util().GetRegionCodeForCountryCode(number.country_code(), &region);
  return region == "ZZ" || region == "001" ? "" : region;
}

std::optional<std::pair<int, std::string>> splitInternational(std::string_view digits) {
  PhoneNumber number;
  if (digits.empty() ||
      util().Parse("+" + std::string(digits), "ZZ", &number) != PhoneNumberUtil::NO_PARSING_ERROR) {
    return std::nullopt;
  }
  std::string national;
  util().GetNationalSignificantNumber(number, &national);
  return std::pair{number.country_code(), national};
}

int countryCodeOf(std::string_view region) { return util().GetCountryCodeForRegion(std::string(region)); }

}  // namespace calldir::lists

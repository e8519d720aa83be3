#include "lists/phone_numbers.h"

#include <phonenumbers/phonenumberutil.h>

#include <algorithm>

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

bool isDigitsOnly(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isPossibleInternational(std::string_view digits) {
  PhoneNumber number;
  if (util().Parse("+" + std::string(digits), "ZZ", &number) != PhoneNumberUtil::NO_PARSING_ERROR)
    return false;
  return util().IsPossibleNumber(number);
}

base::Result<std::string> readPhoneNumber(std::string_view text, std::string_view region) {
  std::string upper(region.empty() ? "ZZ" : region);
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  PhoneNumber number;
  const auto error = util().Parse(std::string(text), upper, &number);
  if (error != PhoneNumberUtil::NO_PARSING_ERROR) {
    return base::Status::InvalidArgument(
        "\"" + std::string(text) + "\" is not a phone number" +
        (region.empty() && error == PhoneNumberUtil::INVALID_COUNTRY_CODE_ERROR
             ? " in international form (begin with + and the country code, or name a region)"
             : ""));
  }
  if (!util().IsPossibleNumber(number)) {
    return base::Status::InvalidArgument("\"" + std::string(text) + "\" cannot be a phone number" +
                                         (region.empty() ? "" : " in " + upper));
  }
  std::string e164;
  util().Format(number, PhoneNumberUtil::E164, &e164);
  return e164.substr(1);
}

}  // namespace calldir::lists

#include "lists/written_numbers.h"

#include <phonenumbers/phonenumberutil.h>

#include <algorithm>

namespace calldir::testing {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

namespace {

PhoneNumberUtil& util() { return *PhoneNumberUtil::GetInstance(); }

}  // namespace

std::string writtenNumber(std::mt19937& random, const std::string& region) {
  PhoneNumber number;
  const auto type = std::uniform_int_distribution<int>(0, 1)(random) ? PhoneNumberUtil::MOBILE
                                                                     : PhoneNumberUtil::FIXED_LINE;
  util().GetExampleNumberForType(region, type, &number);
  std::string nsn;
  util().GetNationalSignificantNumber(number, &nsn);
  for (std::size_t i = nsn.size() > 6 ? nsn.size() - 6 : 0; i < nsn.size(); ++i) {
    nsn[i] = static_cast<char>('0' + std::uniform_int_distribution<int>(0, 9)(random));
  }
  const int length_change = std::uniform_int_distribution<int>(0, 9)(random);
  if (length_change == 0) nsn += "7";
  if (length_change == 1) nsn.pop_back();
  util().Parse("+" + std::to_string(number.country_code()) + nsn, "ZZ", &number);
  std::string out;
  switch (std::uniform_int_distribution<int>(0, 5)(random)) {
    case 0:
      util().Format(number, PhoneNumberUtil::E164, &out);
      return out.substr(1);
    case 1:
      util().Format(number, PhoneNumberUtil::INTERNATIONAL, &out);
      return out;
    case 2:
      util().Format(number, PhoneNumberUtil::NATIONAL, &out);
      return out;
    case 3:
      util().Format(number, PhoneNumberUtil::NATIONAL, &out);
      out.erase(std::remove_if(out.begin(), out.end(), [](char c) { return c < '0' || c > '9'; }), out.end());
      return std::uniform_int_distribution<int>(0, 1)(random) && out[0] == '0' ? out.substr(1) : out;
    case 4:
      return std::to_string(number.country_code()) + nsn;
    default:
      util().Format(number, PhoneNumberUtil::NATIONAL, &out);
      if (out.size() > 4) out.replace(out.size() - 4, 2, "**");
      return out;
  }
}

}  // namespace calldir::testing

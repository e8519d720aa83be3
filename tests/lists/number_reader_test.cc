#include "lists/number_reader.h"

#include <gtest/gtest.h>
#include <phonenumbers/phonenumberutil.h>

#include <random>
#include <utility>
#include <vector>

#include "lists/written_numbers.h"

namespace calldir::lists {
namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;
using Kind = NumberReading::Kind;

PhoneNumberUtil& util() { return *PhoneNumberUtil::GetInstance(); }

// The rule read one number at a time with libphonenumber's own parse: what
// the reader's blocks and shortcuts must agree with.
NumberReading reference(const std::string& text, const std::string& region) {
  const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
  PhoneNumber number;
  std::string e164;
  if (digits && util().Parse("+" + text, "ZZ", &number) == PhoneNumberUtil::NO_PARSING_ERROR) {
    util().Format(number, PhoneNumberUtil::E164, &e164);
    if (e164 == "+" + text && util().IsValidNumber(number)) {
      // Ambiguous when the region reads the digits as another valid number.
      PhoneNumber national;
      std::string other;
      const std::string own = std::to_string(util().GetCountryCodeForRegion(region.empty() ? "ZZ" : region));
      if (!region.empty() && text.rfind(own, 0) != 0 &&
          util().Parse(text, region, &national) == PhoneNumberUtil::NO_PARSING_ERROR &&
          util().IsValidNumber(national)) {
        util().Format(national, PhoneNumberUtil::E164, &other);
        if (other != e164) return {Kind::kRead, other.substr(1), text};
      }
      return {Kind::kAsWritten, text, {}};
    }
    if (region.empty())
      return e164 == "+" + text && util().IsPossibleNumber(number) ? NumberReading{Kind::kDoubtful, text, {}}
                                                                   : NumberReading{};
  }
  if (digits && region.empty()) return {};
  if (util().Parse(text, region.empty() ? "ZZ" : region, &number) != PhoneNumberUtil::NO_PARSING_ERROR)
    return {};
  util().Format(number, PhoneNumberUtil::E164, &e164);
  return {util().IsValidNumber(number) ? Kind::kRead : Kind::kDoubtful, e164.substr(1), {}};
}

TEST(NumberReader, AgreesWithLibphonenumberNumberByNumber) {
  std::mt19937 random(17);
  const std::string regions[] = {"KR", "US", "GB", "DE", "JP", "IT", "FR", "IN", "BR", "CN"};
  std::size_t valid = 0;
  for (const std::string& written_in : regions) {
    for (const std::string& read_in : {written_in, std::string("KR"), std::string()}) {
      NumberReader reader(read_in);
      std::vector<std::pair<std::string, NumberReading>> read;
      for (int i = 0; i < 300; ++i) {
        const std::string text = testing::writtenNumber(random, written_in);
        read.emplace_back(text, reference(text, read_in));
        const NumberReading got = reader.read(text);
        EXPECT_EQ(got.kind, read.back().second.kind) << text << " in " << read_in;
        EXPECT_EQ(got.digits, read.back().second.digits) << text << " in " << read_in;
        EXPECT_EQ(got.other, read.back().second.other) << text << " in " << read_in;
        valid += got.valid();
      }
      // Read again, with what the reader has learnt since: the same.
      for (const auto& [text, expected] : read) {
        EXPECT_EQ(reader.read(text).kind, expected.kind) << text << " again in " << read_in;
        EXPECT_EQ(reader.read(text).digits, expected.digits) << text << " again in " << read_in;
      }
    }
  }
  EXPECT_GT(valid, 3000u);  // most are numbers, so the blocks were used
}

// Numbers that differ in two digits before their last four, read before
// and after the blocks around them are decided: where a plan turns on a pair
// of digits ("696 5[0-6]" in Martinique) or holds few numbers (an area code
// of the Caribbean), every reading is still libphonenumber's.
TEST(NumberReader, AgreesWhereAPlanTurnsOnTwoDigits) {
  const std::pair<const char*, const char*> heads[] = {{"MQ", "596696"}, {"KY", "13456"},  {"KR", "821020"},
                                                       {"US", "12015"},  {"GB", "447400"}, {"DE", "4915112"}};
  for (const auto& [region, head] : heads) {
    NumberReader reader;
    NumberReader in_region(region);
    for (const char* tail : {"5047", "1236", "9999"}) {
      for (int pair = 100; pair < 200; ++pair) {  // its last two digits
        const std::string e164 = head + std::to_string(pair).substr(1) + tail;
        for (const std::string& text : {e164, "+" + e164}) {
          EXPECT_EQ(reader.read(text).kind, reference(text, "").kind) << text;
          EXPECT_EQ(in_region.read(text).digits, reference(text, region).digits) << text << " in " << region;
          EXPECT_EQ(in_region.read(text).kind, reference(text, region).kind) << text << " in " << region;
        }
      }
    }
  }
}

TEST(NumberReader, TheRuleOnTheNumbersOfARealExport) {
  NumberReader kr("KR");
  const std::pair<const char*, NumberReading> cases[] = {
      {"821012345678", {Kind::kAsWritten, "821012345678", {}}},
      {"12125550100", {Kind::kAsWritten, "12125550100", {}}},  // a foreign E.164 number is never read in KR
      {"14085550123", {Kind::kAsWritten, "14085550123", {}}},
      {"010-1234-5678", {Kind::kRead, "821012345678", {}}},
      {"01012345678", {Kind::kRead, "821012345678", {}}},
      {"1012345678", {Kind::kRead, "821012345678", {}}},  // the leading zero a spreadsheet dropped
      {"27842268",
       {Kind::kRead, "8227842268", "27842268"}},  // 02-784-2268 without its zero, or in South Africa
      {"+82 10-1234-5678", {Kind::kRead, "821012345678", {}}},
      {"(02) 123-4567", {Kind::kRead, "8221234567", {}}},
      {"010-****-1234", {Kind::kDoubtful, "82101234", {}}},
      {"+82 10 1234 56789", {Kind::kDoubtful, "8210123456789", {}}},
      {"N/A", {}},
      {"8.21012E+11", {}},
      {"", {}},
  };
  for (const auto& [text, expected] : cases) {
    const NumberReading got = kr.read(text);
    EXPECT_EQ(got.kind, expected.kind) << text;
    EXPECT_EQ(got.digits, expected.digits) << text;
    EXPECT_EQ(got.other, expected.other) << text;
  }
  // A list of bare E.164 digits keeps them as written.
  NumberReader e164("KR", true);
  EXPECT_EQ(e164.read("27842268").kind, Kind::kAsWritten);
  EXPECT_EQ(e164.read("27842268").digits, "27842268");
  NumberReader us("US");
  EXPECT_EQ(us.read("2057590750").digits, "12057590750");  // Alabama, not Egypt
  EXPECT_EQ(us.read("2057590750").other, "2057590750");
  NumberReader none;
  EXPECT_EQ(none.read("010-1234-5678").kind, Kind::kUnreadable);
  EXPECT_EQ(none.read("821000000001").kind, Kind::kDoubtful);
  EXPECT_EQ(none.read("12345").kind, Kind::kUnreadable);
  EXPECT_NE(kr.whyNotValid("8.21012E+11", kr.read("8.21012E+11")).find("scientific"), std::string::npos);
  EXPECT_NE(none.whyNotValid("010-1234-5678", {}).find("--region"), std::string::npos);
}

}  // namespace
}  // namespace calldir::lists

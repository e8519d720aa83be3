#include "lists/list_check.h"

#include <gtest/gtest.h>

#include "codec/text_decoding.h"
#include "test_util.h"

namespace calldir::lists {
namespace {

CheckReport check(const std::string& list, ListRole role = ListRole::kResource,
                  const std::string& region = "") {
  CheckOptions options;
  options.role = role;
  options.region = region;
  return checkList(list, options);
}

TEST(ListCheck, TheVerdictNamesTheRefusalItsElementAndItsLine) {
  const std::string list =
      "[\n{\"number\":\"821000000001\",\"name\":\"A\"},\n{\"number\":\"821000000003\",\"name\":\"B\"},\n"
      "{\"number\":\"821000000003\",\"name\":\"C\"},\n{\"number\":\"821000000002\",\"name\":\"D\"}\n]";
  const CheckReport plain = check(list);
  EXPECT_EQ(plain.verdict(),
            "a restore from zero fails: error 4 (duplicateEntries) at element 3 (line 4): duplicate entries: "
            "821000000003");
  EXPECT_EQ(plain.counts.at(kOutOfOrder), 1u);
  EXPECT_EQ(plain.problems.back().element, 4u);
  EXPECT_EQ(plain.problems.back().line, 5u);
  // The same list as a list text: the same verdict, without lines.
  const CheckReport encoded = check(codec::encodeListText(list));
  EXPECT_EQ(encoded.refusal->element, 3u);
  EXPECT_FALSE(encoded.refusal->line);
  EXPECT_FALSE(encoded.plain_input);

  EXPECT_EQ(check(testing::sampleCallerList(3)).verdict(), "a restore from zero adds 3 entries");
  EXPECT_TRUE(check(testing::sampleCallerList(3)).clean());
  EXPECT_EQ(check(testing::sampleCallerList(3), ListRole::kAdd).verdict(), "an update adds 3 entries");
}

TEST(ListCheck, TextThatIsNotUtf8IsToldWithItsByteAndLine) {
  const CheckReport report = checkList("[\n{\"number\":\"821012345678\",\"name\":\"A\xff\"}]", {});
  EXPECT_TRUE(report.malformed);
  EXPECT_NE(report.verdict().find("(it is not UTF-8 at byte 37, line 2)"), std::string::npos)
      << report.verdict();
}

TEST(ListCheck, EveryOutOfOrderElementIsCountedAndTwentyOfAKindListed) {
  std::string list = "[";
  for (int i = 0; i < 60; ++i) {  // 821000000100, 821000000099, ...: every element after the first is lower
    list += std::string(i ? "," : "") + "{\"number\":\"" + std::to_string(821000000100 - i) +
            "\",\"name\":\"x\"}";
  }
  const CheckReport report = check(list + "]");
  EXPECT_EQ(report.counts.at(kOutOfOrder), 59u);
  EXPECT_EQ(report.refusal->error.code, 3);
  EXPECT_EQ(report.refusal->element, 2u);
  std::size_t listed = 0;
  for (const auto& p : report.problems) listed += p.code == kOutOfOrder;
  EXPECT_EQ(listed, 20u);
}

TEST(ListCheck, RolesTakeWhatTheirReaderNeeds) {
  const std::string del =
      R"([{"number":"821020000009"},{"number":"821020000001"},{"number":"821020000001"}])";
  const CheckReport report = check(del, ListRole::kDel);
  EXPECT_TRUE(report.clean()) << report.verdict();
  EXPECT_EQ(report.verdict(), "an update removes 3 numbers");
  const CheckReport as_add =
      check(R"([{"number":"821000000009"},{"number":"821000000010"}])", ListRole::kAdd);
  EXPECT_EQ(as_add.counts.at(kNoName), 2u);
  EXPECT_NE(as_add.problems[0].message.find("--del?"), std::string::npos);
  EXPECT_EQ(check("[7, {\"name\":\"n\"}, {\"number\":\"\",\"name\":\"n\"}]  ").counts.at(kNoNumber), 2u);
  EXPECT_STREQ(check("[]").outcomeName(), "no_data");
  EXPECT_STREQ(check("[ not json, but long enough").outcomeName(), "malformed");
  EXPECT_STREQ(check("QUJDREVGR0hJSktM").outcomeName(), "undecodable");
}

TEST(ListCheck, NumbersThatThePhoneWouldNeverMatchAreWarnedAbout) {
  const std::string list =
      R"([{"number":"01012345678","name":"national"},{"number":"010-1234-5678","name":"kr"},)"
      R"({"number":"821012345678","name":"international"},{"number":"0","name":"zero"}])";
  CheckReport report = check(list);
  EXPECT_EQ(report.counts.at(kNotInternational), 2u);  // 1012345678 and 10
  EXPECT_EQ(report.counts.at(kNotPositive), 1u);
  EXPECT_EQ(report.counts.count(kReadsDifferently), 0u);
  report = check(list, ListRole::kResource, "KR");
  EXPECT_EQ(report.counts.at(kReadsDifferently), 2u);
  bool named_both = false;
  for (const auto& p : report.problems) {
    named_both =
        named_both ||
        p.message ==
            "\"010-1234-5678\" is 821012345678 read as written in KR, but the extension takes it as 10";
  }
  EXPECT_TRUE(named_both);
  // Italian numbers keep their leading 0 after the country code.
  EXPECT_TRUE(check(R"([{"number":"390612345678","name":"Roma"}])", ListRole::kResource, "IT").clean());
}

}  // namespace
}  // namespace calldir::lists

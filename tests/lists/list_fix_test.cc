#include "lists/list_fix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "base/json_quote.h"
#include "lists/list_check.h"
#include "lists/number_range.h"
#include "lists/written_numbers.h"
#include "test_util.h"

namespace calldir::lists {
namespace {

std::string fix(const std::string& list, FixReport& report, FixOptions options = {}) {
  auto fixed = fixList(list, options);
  EXPECT_TRUE(fixed.ok());
  if (!fixed.ok()) return "";
  report = fixed->report;
  return fixed->plain;
}

TEST(ListFix, NumbersAsPeopleWriteThemBecomeE164Digits) {
  FixOptions kr;
  kr.region = "KR";
  FixReport report;
  EXPECT_EQ(
      fix(R"([{"number":"010-1234-5678","name":"A","note":"x"},{"number":"01098765432","name":"B"}])", report,
          kr),
      "[\n{\"number\":\"821012345678\",\"name\":\"A\"},\n{\"number\":\"821098765432\",\"name\":\"B\"}\n]\n");
  EXPECT_EQ(report.numbers_rewritten, 2u);
  EXPECT_EQ(report.members_removed, 1u);
  // Without a region, "+" and separators are read; digits alone kept; the rest dropped.
  const std::string mixed =
      R"([{"number":"+39 06 1234 5678","name":"Roma"},{"number":"(202) 555-0123","name":"US"},)"
      R"({"number":"+1 (202) 555-0199","name":"US2"},{"number":"12025550100","name":"digits"},)"
      R"({"number":"call me","name":"word"}])";
  EXPECT_EQ(
      fix(mixed, report),
      "[\n{\"number\":\"12025550100\",\"name\":\"digits\"},\n{\"number\":\"12025550199\",\"name\":\"US2\"},\n"
      "{\"number\":\"390612345678\",\"name\":\"Roma\"}\n]\n");
  EXPECT_EQ(report.dropped.at(kNotPositive), 2u);
  EXPECT_NE(report.problems[0].message.find("--region"), std::string::npos);
}

TEST(ListFix, RepeatsGoAndConflictsAreSettledAsAskedAndToldWhole) {
  // 1, 2 and 3 stand for 821020000001 and on; 2 has three names, one twice.
  const std::string list =
      "[\n{\"number\":\"821020000003\",\"name\":\"c\"},\n{\"number\":\"821020000001\",\"name\":\"a\"},\n"
      "{\"number\":\"821020000003\",\"name\":\"c\"},\n{\"number\":\"821020000002\",\"name\":\"b1\"},\n"
      "{\"number\":\"821020000002\",\"name\":\"say "
      "\\\"b2\\\"\"},\n{\"number\":\"821020000002\",\"name\":\"b1\"},\n"
      "{\"number\":\"+82 10-2000-0002\",\"name\":\"b3\"},\n{\"name\":\"no number\"}]";
  FixReport report;
  EXPECT_EQ(fix(list, report), "");
  EXPECT_TRUE(report.failed);
  EXPECT_EQ(report.conflicts, 1u);
  ASSERT_EQ(report.conflict_list.size(), 1u);
  EXPECT_EQ(report.conflict_list[0].describe(ConflictRule::kFail),
            "the number 821020000002 has 3 names: \"b1\" (lines 5, 7), \"say \\\"b2\\\"\" (line 6), \"b3\" "
            "(line 8); "
            "none kept (--on-conflict fail)");
  FixOptions first;
  first.on_conflict = ConflictRule::kFirst;
  EXPECT_EQ(
      fix(list, report, first),
      "[\n{\"number\":\"821020000001\",\"name\":\"a\"},\n{\"number\":\"821020000002\",\"name\":\"b1\"},\n"
      "{\"number\":\"821020000003\",\"name\":\"c\"}\n]\n");
  EXPECT_EQ(report.repeats, 2u);
  EXPECT_TRUE(report.reordered);
  FixOptions last;
  last.on_conflict = ConflictRule::kLast;
  EXPECT_NE(fix(list, report, last).find("\"b3\""), std::string::npos);
  EXPECT_NE(report.problems.back().message.find("; kept \"b3\" (--on-conflict last)"), std::string::npos)
      << report.problems.back().message;
  FixOptions del;
  del.role = ListRole::kDel;
  EXPECT_EQ(fix(list, report, del),
            "[\n{\"number\":\"821020000001\"},\n{\"number\":\"821020000002\"},\n{\"number\":\"821020000003\"}"
            "\n]\n");
}

TEST(ListFix, DoubtfulNumbersAreDroppedAndToldUnlessKept) {
  const std::string list =
      R"([{"number":"010-****-1234","name":"masked"},{"number":"+82 10 1234 56789","name":"long"},)"
      R"({"number":"14085550123","name":"US"},{"number":"2125550100","name":"US, no country code"}])";
  FixOptions kr;
  kr.region = "KR";
  FixReport report;
  EXPECT_EQ(fix(list, report, kr), "[\n{\"number\":\"14085550123\",\"name\":\"US\"}\n]\n");
  EXPECT_EQ(report.dropped.at(kDoubtfulNumber), 3u);
  EXPECT_NE(report.problems[0].message.find("\"010-****-1234\" would be 82101234"), std::string::npos)
      << report.problems[0].message;
  kr.keep_doubtful = true;
  EXPECT_NE(fix(list, report, kr).find("8210123456789"), std::string::npos);
  EXPECT_EQ(report.doubtful_kept, 3u);
}

TEST(ListFix, RangesExpandAtTheirEdgesAndMergeUnderTheConflictRules) {
  FixOptions kr;
  kr.region = "KR";
  kr.expand_ranges = true;
  kr.on_conflict = ConflictRule::kLast;
  FixReport report;
  // One "#": ten numbers, in order, merged with a single number inside and one beside it.
  const std::string list =
      R"([{"number":"821012345679","name":"after"},{"number":"+82 10-1234-567#","name":"range"},)"
      R"({"number":"010-1234-5673","name":"range"},{"number":"010-1234-5675","name":"single"}])";
  const std::string fixed = fix(list, report, kr);
  EXPECT_EQ(report.ranges, 1u);
  EXPECT_EQ(report.range_numbers, 10u);
  EXPECT_EQ(report.written, 10u);
  EXPECT_EQ(report.repeats, 1u);               // 5673 twice with the same name
  ASSERT_EQ(report.conflict_list.size(), 2u);  // 5675 and 5679
  EXPECT_NE(fixed.find("{\"number\":\"821012345670\",\"name\":\"range\"},\n"), std::string::npos) << fixed;
  EXPECT_NE(fixed.find("\"821012345675\",\"name\":\"single\""), std::string::npos);  // the last one kept
  EXPECT_NE(fixed.find("\"821012345679\",\"name\":\"range\""), std::string::npos);
  // The cap: a range of exactly --max-expand numbers is written, one more is refused whole.
  kr.max_expand = 100;
  EXPECT_TRUE(fixList(R"([{"number":"010-1234-56##","name":"r"}])", kr).ok());
  kr.max_expand = 99;
  const auto refused =
      fixList(R"([{"number":"+82 10 0000 0001","name":"x"},{"number":"010-1234-56##","name":"r"}])", kr);
  EXPECT_EQ(refused.status().kind(), base::Status::Kind::kInvalidArgument);
  EXPECT_NE(refused.status().message().find(
                "element 2 (line 1): \"010-1234-56##\" is a range of 100 numbers, more"),
            std::string::npos)
      << refused.status().message();
  // Without --expand-ranges a range is dropped and told; check counts what it would expand.
  kr.expand_ranges = false;
  EXPECT_EQ(fix(R"([{"number":"010-1234-56##","name":"r"}])", report, kr), "[]\n");
  EXPECT_EQ(report.dropped.at(kRange), 1u);
  CheckOptions check;
  check.region = "KR";
  const CheckReport checked = checkList(R"([{"number":"+82 1588-####","name":"r"}])", check);
  EXPECT_EQ(checked.range_numbers, 10000u);
  EXPECT_EQ(checked.counts.at(kRange), 1u);
  for (const char* not_a_range : {"#", "12#3", "+#1", "abc#"})
    EXPECT_FALSE(rangeOf(not_a_range)) << not_a_range;
  EXPECT_EQ(memberOf(*rangeOf(" 02-1588-1##"), 7), "02-1588-107");
}

TEST(ListFix, WhatFixWritesChecksCleanUnderTheSameRegion) {
  std::mt19937 random(7);
  const std::string regions[] = {"KR", "US", "GB", "DE", "JP", "IT"};
  for (int round = 0; round < 60; ++round) {
    const std::string region = regions[round % std::size(regions)];
    std::vector<std::string> elements;
    for (int i = std::uniform_int_distribution<int>(0, 80)(random); i > 0; --i) {
      // Mostly the producer's own region, some foreign; junk and repeats among them.
      const std::string number = testing::writtenNumber(
          random,
          std::uniform_int_distribution<int>(0, 4)(random) ? region : regions[i % std::size(regions)]);
      const std::string name = "n" + std::to_string(std::uniform_int_distribution<int>(0, 2)(random));
      switch (std::uniform_int_distribution<int>(0, 12)(random)) {
        case 0:
          elements.push_back("{\"name\":\"lost\"}");
          break;
        case 1:
          elements.push_back("{\"number\":\"N/A\",\"name\":\"" + name + "\"}");
          break;
        case 2:
          if (!elements.empty()) elements.push_back(elements.back());
          break;
        default:
          elements.push_back("{\"number\":" + base::jsonQuote(number) + ",\"name\":\"" + name + "\"}");
      }
    }
    std::string list = "[";
    for (std::size_t i = 0; i < elements.size(); ++i) list += (i ? "," : "") + elements[i];
    list += "]";
    FixOptions options;
    options.region = std::uniform_int_distribution<int>(0, 3)(random) ? region : "";
    options.on_conflict = round % 2 ? ConflictRule::kLast : ConflictRule::kFirst;
    FixReport report;
    const std::string fixed = fix(list, report, options);
    CheckOptions check;  // the fixed list holds E.164 digits
    check.region = options.region;
    check.digits_as_written = true;
    const CheckReport checked = checkList(fixed, check);
    EXPECT_EQ(checked.problemCount(), 0u) << list << "\n" << fixed << "\n" << checked.problems[0].message;
    EXPECT_FALSE(checked.refusal) << fixed;
    EXPECT_EQ(checked.applied, report.written);
  }
}

}  // namespace
}  // namespace calldir::lists

#include "lists/list_fix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "lists/list_check.h"
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
  EXPECT_EQ(report.dropped.at(kUnreadableNumber), 2u);
  EXPECT_NE(report.problems[0].message.find("--region"), std::string::npos);
}

TEST(ListFix, RepeatsGoAndConflictsAreSettledAsAsked) {
  const std::string list =
      R"([{"number":"3","name":"c"},{"number":"1","name":"a"},{"number":"3","name":"c"},)"
      R"({"number":"2","name":"b1"},{"number":"2","name":"b2"},{"name":"no number"}])";
  FixReport report;
  EXPECT_EQ(fix(list, report), "");
  EXPECT_TRUE(report.failed);
  EXPECT_EQ(report.conflicts, 1u);
  FixOptions first;
  first.on_conflict = ConflictRule::kFirst;
  EXPECT_EQ(fix(list, report, first),
            "[\n{\"number\":\"1\",\"name\":\"a\"},\n{\"number\":\"2\",\"name\":\"b1\"},\n"
            "{\"number\":\"3\",\"name\":\"c\"}\n]\n");
  EXPECT_EQ(report.repeats, 1u);
  EXPECT_TRUE(report.reordered);
  FixOptions last;
  last.on_conflict = ConflictRule::kLast;
  EXPECT_NE(fix(list, report, last).find("\"b2\""), std::string::npos);
  FixOptions del;
  del.role = ListRole::kDel;
  EXPECT_EQ(fix(list, report, del), "[\n{\"number\":\"1\"},\n{\"number\":\"2\"},\n{\"number\":\"3\"}\n]\n");
}

TEST(ListFix, AFixedListChecksCleanForAnyShuffledList) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    std::vector<std::string> elements;
    const int n = std::uniform_int_distribution<int>(0, 60)(random);
    for (int i = 0; i < n; ++i) {
      const long long number = 821000000000LL + std::uniform_int_distribution<int>(0, 30)(random);
      const int name = std::uniform_int_distribution<int>(0, 2)(random);
      switch (std::uniform_int_distribution<int>(0, 9)(random)) {
        case 0:
          elements.push_back("{\"name\":\"lost\"}");
          break;
        case 1:
          elements.push_back("{\"number\":\"" + std::to_string(number) + "\"}");
          break;
        case 2:
          elements.push_back("[1]");
          break;
        default:
          elements.push_back("{\"number\":\"" + std::to_string(number) + "\",\"name\":\"n" +
                             std::to_string(name) + "\"}");
      }
    }
    std::string list = "[";
    for (std::size_t i = 0; i < elements.size(); ++i) list += (i ? "," : "") + elements[i];
    list += "]";
    FixOptions options;
    options.on_conflict = ConflictRule::kLast;
    FixReport report;
    const std::string fixed = fix(list, report, options);
    const CheckReport checked = checkList(fixed, {});
    EXPECT_FALSE(checked.refusal) << list << "\n" << fixed;
    EXPECT_EQ(
        checked.counts.count(kNoName) + checked.counts.count(kNoNumber) + checked.counts.count(kNotObject),
        0u);
    EXPECT_EQ(checked.applied, report.written);
  }
}

}  // namespace
}  // namespace calldir::lists

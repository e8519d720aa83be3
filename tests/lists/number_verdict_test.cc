// One verdict per element, told the same way by every tool: for random number
// texts as exports write them (junk, two numbers in a cell, placeholders,
// digits a region reads otherwise), what `list check` warns is exactly what
// `list fix` does, and what it writes is what the extension then stores.
#include "lists/number_verdict.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/json_quote.h"
#include "lists/list_check.h"
#include "lists/list_fix.h"
#include "platform/text.h"
#include "test_util.h"
#include "written_numbers.h"

namespace calldir::lists {
namespace {

std::string randomText(std::mt19937& random, const std::string& region) {
  static const char* const kOdd[] = {"N/A", "", "NOT AVAILABLE", "000-000-0000", "-5", "0", "+", "tel:"};
  static const char* const kSuffixes[] = {" (mobile)", " ext. 12", "/", " x", "; "};
  const std::string number = testing::writtenNumber(random, region);
  switch (random() % 6) {
    case 0:
      return kOdd[random() % std::size(kOdd)];
    case 1:
      return number + kSuffixes[random() % std::size(kSuffixes)];
    case 2:
      return number + "/" + testing::writtenNumber(random, region);
    default:
      return number;
  }
}

// The number problem `list check` finds in a one-element list, or "".
std::string checkedCode(const std::string& list, const std::string& region) {
  CheckOptions options;
  options.region = region;
  const CheckReport report = checkList(list, options);
  for (const Problem& p : report.problems) {
    if (p.code != kLabel) return p.code;
  }
  return "";
}

TEST(NumberVerdict, CheckPredictsFixAndFixWritesWhatTheExtensionStores) {
  std::mt19937 random(20);
  const char* const regions[] = {"KR", "US", "DE", "GB", "JP"};
  for (int round = 0; round < 1500; ++round) {
    const std::string written_in = regions[random() % std::size(regions)];
    const std::string region = random() % 3 ? written_in : "";
    const std::string text = randomText(random, written_in);
    const std::string list = "[{\"number\":" + base::jsonQuote(text) + ",\"name\":\"A\"}]";
    const std::string code = checkedCode(list, region);

    FixOptions options;
    options.region = region;
    auto fixed = fixList(list, options);
    ASSERT_TRUE(fixed.ok()) << list;
    const FixReport& report = fixed->report;
    const bool kept = code.empty() || code == kReadsDifferently || code == kAmbiguous;
    ASSERT_EQ(report.written, kept ? 1u : 0u) << text << " under " << region << ": check says " << code;
    if (!kept) {
      EXPECT_EQ(report.dropped.count(code), 1u) << text << " under " << region << ": check says " << code;
      continue;
    }
    // What the fix writes is what the text means; where the check found
    // nothing, the extension stores that already from the text as written.
    NumberReader reader(region);
    const std::string digits = reader.read(text).digits;
    EXPECT_NE(fixed->plain.find("\"" + digits + "\""), std::string::npos) << fixed->plain;
    if (code.empty()) {
      EXPECT_EQ(std::to_string(platform::integerValue(text)), digits) << text;
    }
  }
}

TEST(NumberVerdict, ATextWithMoreThanANumberIsAProblemWhateverTheExtensionTakes) {
  NumberReader reader;
  for (const char* text : {"821012345671 (mobile)", "821012345672/821012345699", "821012345673 ext. 12"}) {
    const NumberVerdict verdict = judgeNumber(reader, text);
    EXPECT_EQ(verdict.problem, ProblemCode::kUnreadableNumber) << text;
    EXPECT_FALSE(verdict.written(true)) << text;
  }
  EXPECT_EQ(judgeNumber(reader, "NOT AVAILABLE").problem, ProblemCode::kNotPositive);
  EXPECT_EQ(judgeNumber(reader, "222-333-4444").problem, ProblemCode::kNotInternational);
  EXPECT_FALSE(judgeNumber(reader, "821012345678").problem);
  NumberReader us("US");
  EXPECT_EQ(judgeNumber(us, "(222) 333-4444").problem, ProblemCode::kDoubtful);
}

TEST(ProblemCodes, TheReadmeTableIsTheTable) {
  const std::string readme = testing::readFile(std::string(CALLDIR_SOURCE_DIR) + "/README.md");
  EXPECT_NE(readme.find(problemTable()), std::string::npos) << "the README's table should read:\n"
                                                            << problemTable();
}

}  // namespace
}  // namespace calldir::lists

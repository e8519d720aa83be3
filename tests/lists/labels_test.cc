// Labels as a phone shows them: warned about when they show badly or
// deceptively, written in one Unicode form by a fix.
#include "lists/labels.h"

#include <gtest/gtest.h>

#include "lists/list_check.h"
#include "lists/list_fix.h"

namespace calldir::lists {
namespace {

const std::string kKimComposed = "\xea\xb9\x80";                            // U+AE40
const std::string kKimDecomposed = "\xe1\x84\x80\xe1\x85\xb5\xe1\x86\xb7";  // U+1100 U+1175 U+11B7

TEST(Labels, WhatAPhoneShowsBadlyIsNamed) {
  const std::pair<std::string, const char*> cases[] = {
      {"   ", "nothing but spaces"},
      {"\xc2\xa0\xe2\x80\x8b", "nothing but spaces"},
      {"Bank\x1b[2K", "a control character"},
      {"\xe2\x80\xae"
       "knaB",
       "reorders text"},
      {"Ba\xe2\x80\x8dnk", "shows as nothing"},
      {std::string(101, 'x'), "101 characters"},
  };
  for (const auto& [label, words] : cases) {
    const auto problem = labelProblem(label);
    ASSERT_TRUE(problem) << label;
    EXPECT_NE(problem->find(words), std::string::npos) << *problem;
  }
  for (const std::string& label :
       {std::string("City Hall"), kKimComposed, kKimDecomposed, std::string(100, 'x')}) {
    EXPECT_FALSE(labelProblem(label)) << label;
  }
  // list check names each.
  const CheckReport report = checkList(R"([{"number":"821012345678","name":"  "}])", {});
  EXPECT_EQ(report.counts.at(kLabel), 1u);
}

TEST(Labels, AFixWritesOneFormOfAName) {
  EXPECT_EQ(normalizedLabel(kKimDecomposed), kKimComposed);
  EXPECT_FALSE(normalizedLabel(kKimComposed));
  EXPECT_FALSE(normalizedLabel("ascii"));
  // The same name composed and decomposed is one name: a repeat, not a conflict.
  const std::string list = R"([{"number":"821012345678","name":")" + kKimDecomposed +
                           R"("},{"number":"821012345678","name":")" + kKimComposed + R"("}])";
  const auto fixed = fixList(list, {});
  ASSERT_TRUE(fixed.ok());
  EXPECT_EQ(fixed->report.conflicts, 0u);
  EXPECT_EQ(fixed->report.repeats, 1u);
  EXPECT_EQ(fixed->report.names_normalized, 1u);
  EXPECT_EQ(fixed->plain, "[\n{\"number\":\"821012345678\",\"name\":\"" + kKimComposed + "\"}\n]\n");
}

TEST(NormalizedLabel, SurroundingWhiteSpaceGoesFromEveryName) {
  EXPECT_EQ(normalizedLabel("  Mom \t"), "Mom");
  EXPECT_EQ(normalizedLabel("\u3000Kim\u00a0"), "Kim");  // ideographic and no-break spaces
  EXPECT_EQ(normalizedLabel("Mom"), std::nullopt);
  EXPECT_EQ(normalizedLabel("   "), std::nullopt);  // emptied, it would be no name
  EXPECT_EQ(normalizedLabel("Mo m"), std::nullopt);
}

}  // namespace
}  // namespace calldir::lists

#include "storage/caller_list.h"

#include <gtest/gtest.h>

#include "codec/text_decoding.h"

namespace calldir::storage {
namespace {

TEST(HoldsListData, SixteenUtf16CodeUnitsIsTheThreshold) {
  EXPECT_FALSE(holdsListData(std::nullopt));
  EXPECT_FALSE(holdsListData(std::string("[]")));
  EXPECT_FALSE(holdsListData(std::string(15, ' ')));
  EXPECT_TRUE(holdsListData(std::string(16, ' ')));
  // Fifteen characters in more than sixteen bytes is still below.
  EXPECT_FALSE(holdsListData(std::string(
      "[\"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\"]")));
  // An emoji counts twice.
  EXPECT_TRUE(holdsListData(std::string("[\"") + std::string(11, 'a') + "\xF0\x9F\x98\x80\"]"));
}

TEST(ParseCallerList, OnlyArraysAreLists) {
  EXPECT_NE(parseCallerList("[  ]"), nullptr);
  EXPECT_EQ(parseCallerList("{\"number\":\"1\",\"name\":\"a\"}"), nullptr);
  EXPECT_EQ(parseCallerList("not json at all"), nullptr);
}

TEST(ElementUse, ReadersTakeWhatTheyNeed) {
  CallerEntry e;
  EXPECT_EQ(useForAdding(e), ElementUse::kNotObject);
  e.is_object = true;
  EXPECT_EQ(useForAdding(e), ElementUse::kNoNumber);
  EXPECT_EQ(useForRemoving(e), ElementUse::kNoNumber);
  e.number = "";
  EXPECT_EQ(useForRemoving(e), ElementUse::kNoNumber);
  e.number = "8210";
  EXPECT_EQ(useForAdding(e), ElementUse::kNoName);
  EXPECT_EQ(useForRemoving(e), ElementUse::kApplied);
  e.name = "";
  EXPECT_EQ(useForAdding(e), ElementUse::kNoName);
  e.name = "A";
  EXPECT_EQ(useForAdding(e), ElementUse::kApplied);
}

TEST(CheckListText, ReportsWhatARequestWouldDo) {
  const auto report = checkListText(codec::encodeListText(
      R"([{"number":"10","name":"a"},{"number":"20"},7,{"number":"5","name":"b"},)"
      R"({"number":"30","name":"c"},{"number":"30","name":"d"},{"number":"-4","name":"e","x":[1]}])"));
  EXPECT_EQ(report.outcome, ListReport::Outcome::kList);
  EXPECT_EQ(report.elements, 7u);
  EXPECT_EQ(report.added, 5u);
  ASSERT_EQ(report.skipped.size(), 2u);
  EXPECT_EQ(report.skipped[0].index, 1u);
  EXPECT_EQ(report.skipped[1].index, 2u);
  EXPECT_EQ(report.first_out_of_order, 3u);
  ASSERT_EQ(report.refused.size(), 3u);
  EXPECT_EQ(report.refused[1].index, 5u);  // duplicate
  EXPECT_EQ(report.refused[2].index, 6u);  // negative
  EXPECT_FALSE(report.clean());

  EXPECT_TRUE(checkListText(codec::encodeListText(R"([{"number":"1","name":"a"},{"number":"2","name":"b"}])"))
                  .clean());
  EXPECT_EQ(checkListText(codec::encodeListText("[]")).outcome, ListReport::Outcome::kNoData);
  EXPECT_EQ(checkListText(codec::encodeListText("{\"a\": \"padding....\"}")).outcome,
            ListReport::Outcome::kMalformed);
  EXPECT_EQ(checkListText("QUJDREVGR0hJSktM").outcome, ListReport::Outcome::kUndecodable);
  EXPECT_EQ(checkListText("").outcome, ListReport::Outcome::kNoData);
}

}  // namespace
}  // namespace calldir::storage

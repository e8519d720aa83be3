#include "storage/caller_list.h"

#include <gtest/gtest.h>

#include "codec/text_decoding.h"

namespace calldir::storage {
namespace {

TEST(HoldsListData, SixteenUtf16CodeUnitsIsTheThreshold) {
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
  EXPECT_EQ(countListElements("[{}, 1]"), 2u);
  EXPECT_EQ(countListElements("{}"), std::nullopt);
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

}  // namespace
}  // namespace calldir::storage

#include "storage/list_files.h"

#include <gtest/gtest.h>

#include "codec/text_decoding.h"
#include "doubles/in_memory_files.h"

namespace calldir::storage {
namespace {

const std::string kGroup = "group.test";
const std::string kContainer = "/container/group.test/";
const std::string kPlain = R"([{"number":"821000000001","name":"A"}])";

class ListFilesTest : public ::testing::Test {
 protected:
  ListFilesTest() { fm.entitled_groups.insert(kGroup); }
  doubles::InMemoryFileManager fm;
  ListFiles files{fm, fm, kGroup};
};

TEST_F(ListFilesTest, ClearLeavesAnEmptyFileWhetherOrNotOneWasThere) {
  files.clearJsonGroupFile("callersDel.json");
  EXPECT_EQ(fm.files.at(kContainer + "callersDel.json"), "");
  fm.files[kContainer + "callersAdd.json"] = "something long";
  files.clearJsonGroupFile("callersAdd.json");
  EXPECT_EQ(fm.files.at(kContainer + "callersAdd.json"), "");
  EXPECT_EQ(files.readJsonDataFromGroupFile("callersAdd.json"), "");
}

TEST_F(ListFilesTest, MarkerReplacesLongerContentsEntirely) {
  fm.files[kContainer + "callersAdd_Zero.json"] = "a much longer earlier content";
  files.saveAddZeroInstalledJsonToGroupFile("callersAdd_Zero.json");
  EXPECT_EQ(fm.files.at(kContainer + "callersAdd_Zero.json"), "INSTALLED");
}

TEST_F(ListFilesTest, ForceReadCopiesTheStoredTextToCallersJson) {
  const std::string stored = codec::encodeListText(kPlain, 64);
  fm.files["/bundle/anyName.json"] = stored;
  EXPECT_EQ(files.forceReadJsonDataFromResourceFile("anyName"), kPlain);
  EXPECT_EQ(fm.files.at(kContainer + "callers.json"), stored);
  EXPECT_EQ(fm.files.count(kContainer + "anyName.json"), 0u);
  // Copied even when it does not decode.
  fm.files["/bundle/anyName.json"] = "not a list text at all";
  EXPECT_EQ(files.forceReadJsonDataFromResourceFile("anyName").value_or(""), "");
  EXPECT_EQ(fm.files.at(kContainer + "callers.json"), "not a list text at all");
}

TEST_F(ListFilesTest, ForceReadOfAMissingEmptyOrNonUtf8Resource) {
  EXPECT_EQ(files.forceReadJsonDataFromResourceFile("callersAdd_Zero"), "");
  fm.files["/bundle/callersAdd_Zero.json"] = "";
  EXPECT_EQ(files.forceReadJsonDataFromResourceFile("callersAdd_Zero"), "");
  EXPECT_EQ(fm.files.count(kContainer + "callers.json"), 0u);
  // Not UTF-8: callers.json is created if missing but nothing is written into an existing one.
  fm.files["/bundle/callersAdd_Zero.json"] = "\xFF\xFE";
  EXPECT_EQ(files.forceReadJsonDataFromResourceFile("callersAdd_Zero"), "");
  EXPECT_EQ(fm.files.at(kContainer + "callers.json"), "");
  fm.files[kContainer + "callers.json"] = "earlier copy";
  files.forceReadJsonDataFromResourceFile("callersAdd_Zero");
  EXPECT_EQ(fm.files.at(kContainer + "callers.json"), "earlier copy");
}

TEST_F(ListFilesTest, ReadResourceOnlyUntilTheMarkerExists) {
  fm.files["/bundle/callersAdd_Zero.json"] = codec::encodeListText(kPlain);
  EXPECT_EQ(files.readJsonDataFromResourceFile("callersAdd_Zero"), kPlain);
  fm.files.erase(kContainer + "callers.json");
  fm.files[kContainer + "callersAdd_Zero.json"] = "";
  EXPECT_EQ(files.readJsonDataFromResourceFile("callersAdd_Zero"), "");
  EXPECT_EQ(fm.files.count(kContainer + "callers.json"), 0u);
}

TEST_F(ListFilesTest, ReadGroupFileNeverCreatesIt) {
  EXPECT_EQ(files.readJsonDataFromGroupFile("callersDel.json"), "");
  EXPECT_EQ(fm.files.count(kContainer + "callersDel.json"), 0u);
  fm.files[kContainer + "callersDel.json"] = codec::encodeListText(kPlain);
  const ListContent content = files.readGroupList("callersDel.json", true);
  EXPECT_EQ(content.plain, kPlain);
  EXPECT_EQ(content.stored, fm.files.at(kContainer + "callersDel.json"));
  // Names are used exactly as given: no ".json" is added.
  EXPECT_EQ(files.readJsonDataFromGroupFile("callersDel"), "");
}

TEST_F(ListFilesTest, WithoutAContainerReadsAreEmptyAndWritesDoNothing) {
  fm.entitled_groups.clear();
  fm.files["/bundle/callersAdd_Zero.json"] = codec::encodeListText(kPlain);
  files.clearJsonGroupFile("callersDel.json");
  files.saveAddZeroInstalledJsonToGroupFile("callersAdd_Zero.json");
  EXPECT_EQ(files.readJsonDataFromGroupFile("callersDel.json"), "");
  // The resource itself still reads; only its copy has nowhere to go.
  EXPECT_EQ(files.forceReadJsonDataFromResourceFile("callersAdd_Zero"), kPlain);
  EXPECT_EQ(fm.files.size(), 1u);
}

TEST_F(ListFilesTest, AReplacedDeltaListIsNotEmptied) {
  const std::string path = kContainer + "callersAdd.json";
  fm.files[path] = "first list";
  const std::string stored = files.readGroupList("callersAdd.json", true).stored;
  fm.replace_before_truncate = {{path, "second list"}};
  files.clearJsonGroupFileIfUnchanged("callersAdd.json", stored);
  EXPECT_EQ(fm.files.at(path), "second list");
  files.clearJsonGroupFileIfUnchanged("callersAdd.json", "second list");
  EXPECT_EQ(fm.files.at(path), "");
  // A file removed meanwhile is left behind empty, as clearing does.
  fm.files.erase(path);
  files.clearJsonGroupFileIfUnchanged("callersAdd.json", "second list");
  EXPECT_EQ(fm.files.at(path), "");
}

TEST_F(ListFilesTest, APlantedLinkIsNotWrittenThrough) {
  fm.links.insert(kContainer + "callersDel.json");
  files.clearJsonGroupFile("callersDel.json");
  files.writeJsonToGroupFile("callersDel.json", "x");
  EXPECT_EQ(fm.files.count(kContainer + "callersDel.json"), 0u);
}

TEST_F(ListFilesTest, WhatAFileHoldsIsToldApartLayerByLayer) {
  using Kind = ListContent::Kind;
  const std::string name = "callersAdd.json";
  const std::string path = kContainer + name;
  EXPECT_EQ(files.readGroupList(name).kind, Kind::kMissing);
  const std::pair<std::string, Kind> cases[] = {
      {"", Kind::kEmpty},
      {"\xFF\xFE", Kind::kNotText},
      {"QUJDREVG", Kind::kUndecodable},
      {" A ", Kind::kNoData},
      {codec::encodeListText("[]"), Kind::kNoData},
      {codec::encodeListText(std::string(15, ' ')), Kind::kNoData},
      {codec::encodeListText(std::string(16, ' ')), Kind::kList},
  };
  for (const auto& [bytes, kind] : cases) {
    fm.files[path] = bytes;
    EXPECT_EQ(files.readGroupList(name).kind, kind) << bytes;
  }
  fm.files.erase(path);
  fm.links.insert(path);  // a link is never read
  EXPECT_EQ(files.readGroupList(name).kind, Kind::kUnreadable);
  EXPECT_EQ(readListInput("  [] ").kind, Kind::kNoData);
  EXPECT_TRUE(readListInput("[" + std::string(16, ' ') + "]").plain_input);
  EXPECT_STREQ(describeForUpdate(Kind::kUndecodable), "no data");
}

}  // namespace
}  // namespace calldir::storage

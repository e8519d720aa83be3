#include <gtest/gtest.h>

#include "cli/cli_test.h"
#include "codec/text_decoding.h"
#include "test_util.h"

namespace calldir::cli {
namespace {

using DeviceCommandsTest = CliTest;

TEST_F(DeviceCommandsTest, InitPathsAndRefusals) {
  ASSERT_EQ(calldir("init").status, 0);
  ASSERT_EQ(calldir("init").status, 0);
  EXPECT_EQ(calldir("init --group group.other").status, 2);
  EXPECT_NE(err().find("group.calldir.example"), std::string::npos);
  EXPECT_EQ(calldir("init --group notagroup").status, 2);
  const auto paths = calldir("paths --json");
  ASSERT_EQ(paths.status, 0);
  for (const char* key :
       {"\"root\"", "\"container\"", "\"settings\"", "\"bundle\"", "\"resources\"", "\"store\""}) {
    EXPECT_NE(paths.out.find(key), std::string::npos) << key;
  }
  testing::TempDir other;
  EXPECT_EQ(testing::runCommand(std::string(CALLDIR_BINARY) + " --root " + other.file("none") +
                                " status 2>/dev/null")
                .status,
            3);
}

TEST_F(DeviceCommandsTest, SettingsCommandsShareTheStoreWithSqlite3) {
  ASSERT_EQ(calldir("init").status, 0);
  EXPECT_EQ(calldir("settings set CDListClearAllYN Y").status, 0);
  EXPECT_EQ(calldir("settings get CDListClearAllYN").out, "Y\n");
  EXPECT_EQ(calldir("settings get CallDirectoryAddLog").status, 1);
  const std::string db =
      root + "/AppGroup/group.calldir.example/Library/Preferences/group.calldir.example.sqlite";
  ASSERT_EQ(
      testing::runCommand("sqlite3 " + db + " \"INSERT INTO settings VALUES ('fromSqlite', 'hi')\"").status,
      0);
  EXPECT_EQ(calldir("settings list --json").out, "{\"CDListClearAllYN\": \"Y\", \"fromSqlite\": \"hi\"}\n");
  EXPECT_EQ(calldir("settings unset fromSqlite").status, 0);
  EXPECT_EQ(testing::runCommand("sqlite3 " + db + " \"SELECT count(*) FROM settings\"").out, "1\n");
}

TEST_F(DeviceCommandsTest, StatusSaysWhatTheNextRequestDoes) {
  ASSERT_EQ(calldir("init").status, 0);
  auto status = calldir("status");
  EXPECT_NE(status.out.find("CDListRestoreStatus = EMPTY (not set; the default)"), std::string::npos)
      << status.out;
  EXPECT_NE(status.out.find("next incremental request: nothing"), std::string::npos);

  calldir("settings set CDListClearAllYN Y");
  EXPECT_NE(calldir("status").out.find("restore from zero"), std::string::npos);
  EXPECT_NE(calldir("status").out.find("none installed"), std::string::npos);

  calldir("settings set CDListClearAllYN N");
  calldir("settings set CDListRestoreStatus START");
  EXPECT_NE(calldir("status").out.find("found no usable data"), std::string::npos);

  calldir("settings set CDListRestoreStatus END");
  testing::writeFile(root + "/AppGroup/group.calldir.example/callersAdd.json",
                     codec::encodeListText(testing::sampleCallerList(3)));
  status = calldir("status --json");
  EXPECT_NE(status.out.find("\"action\": \"update\""), std::string::npos) << status.out;
  EXPECT_NE(status.out.find("\"callersAdd.json\": {\"state\": \"waiting\", \"elements\": 3"),
            std::string::npos)
      << status.out;
  EXPECT_NE(status.out.find("\"callersDel.json\": {\"state\": \"missing\""), std::string::npos);
}

TEST_F(DeviceCommandsTest, PutResourceEncodesPlainListsAndCopiesListTexts) {
  ASSERT_EQ(calldir("init").status, 0);
  const std::string list = testing::sampleCallerList(5);
  testing::writeFile(dir.file("plain.json"), "  \n" + list);
  ASSERT_EQ(calldir("bundle put-resource " + dir.file("plain.json")).status, 0);
  const std::string installed = root + "/Extension.appex/Resources/callersAdd_Zero.json";
  EXPECT_EQ(codec::getDecodedText(testing::readFile(installed)), "  \n" + list);

  const std::string text = codec::encodeListText(list, 64);
  testing::writeFile(dir.file("list.txt"), text);
  ASSERT_EQ(calldir("bundle put-resource " + dir.file("list.txt")).status, 0);
  EXPECT_EQ(testing::readFile(installed), text);

  testing::writeFile(dir.file("bad.json"), "[{\"number\": ");
  EXPECT_EQ(calldir("bundle put-resource " + dir.file("bad.json")).status, 2);
  EXPECT_EQ(testing::readFile(installed), text);  // the earlier resource stays
  ASSERT_EQ(calldir("bundle put-resource --encoded " + dir.file("bad.json")).status, 0);
  EXPECT_EQ(testing::readFile(installed), "[{\"number\": ");
}

TEST_F(DeviceCommandsTest, ListCheckExitStatuses) {
  testing::writeFile(dir.file("good"), codec::encodeListText(testing::sampleCallerList(20)));
  testing::writeFile(dir.file("skips"),
                     codec::encodeListText(R"([{"number":"1","name":"a"},{"number":"2"}])"));
  testing::writeFile(dir.file("bad"), "QUJDREVGR0hJSktM");
  EXPECT_EQ(calldir("list check " + dir.file("good")).status, 0);
  auto skips = calldir("list check " + dir.file("skips"));
  EXPECT_EQ(skips.status, 1);
  EXPECT_NE(skips.out.find("element 2: no_name"), std::string::npos) << skips.out;
  EXPECT_EQ(calldir("list check " + dir.file("bad")).status, 2);
}

}  // namespace
}  // namespace calldir::cli

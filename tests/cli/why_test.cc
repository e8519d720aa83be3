// `calldir why` on each road that decides what a call shows.
#include <gtest/gtest.h>
#include <simdjson.h>

#include <filesystem>

#include "cli/cli_test.h"
#include "test_util.h"

namespace calldir::cli {
namespace {

class WhyTest : public CliTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(calldir("init").status, 0);
    ASSERT_EQ(calldir("enable").status, 0);
    testing::writeFile(
        dir.file("resource.json"),
        "[\n{\"number\":\"010-3456-7890\",\"name\":\"Pizza\"},\n{\"number\":\"+82 "
        "1588-####\",\"name\":\"Help\"},\n"
        "{\"number\":\"821012345678\",\"name\":\"City Hall\"},\n{\"number\":\"821023456789\"},\n"
        "{\"number\":\"821045678901\",\"name\":\"Bank\"}\n]");
    ASSERT_EQ(calldir("bundle put-resource " + dir.file("resource.json")).status, 0);
    ASSERT_EQ(calldir("app restore --reload").status, 0) << err();
  }
  std::string why(const std::string& args, int expected_status) {
    const auto r = calldir("why " + args);
    EXPECT_EQ(r.status, expected_status) << args << "\n" << r.out << err();
    return r.out;
  }
};

TEST_F(WhyTest, EachRoadIsTold) {
  std::string out = why("821012345678", 0);                           // shown
  EXPECT_NE(out.find("shows City Hall."), std::string::npos) << out;  // labels as lookup shows them
  EXPECT_NE(out.find("element 3 (line 4) lists it as \"City Hall\": a restore from zero adds it"),
            std::string::npos);
  out = why("821023456789", 1);  // skipped in the resource: no name
  EXPECT_NE(out.find("element 4 (line 5) lists it without a name: a reader skips it"), std::string::npos)
      << out;
  out = why("--region KR 821034567890", 1);  // written nationally: the extension took it as 10
  EXPECT_NE(out.find("writes \"010-3456-7890\", which means it, but the extension takes it as 10"),
            std::string::npos)
      << out;
  out = why("'+82 1588-1234'", 1);  // a range the extension took as 82
  EXPECT_NE(out.find("is the range \"+82 1588-####\", which holds it, but the extension takes it as 82"),
            std::string::npos)
      << out;
  out = why("821099999999", 1);  // never listed
  EXPECT_EQ(out.find("lists it"), std::string::npos) << out;
  EXPECT_NE(out.find("it does not list the number"), std::string::npos);
  // Read differently under a region: the leading 0 names the nearest reading.
  out = why("01045678901", 1);
  EXPECT_NE(out.find("nearest: with --region KR it is 821045678901, which shows Bank"), std::string::npos)
      << out;
  EXPECT_NE(why("--region KR 01045678901", 0).find("shows Bank."), std::string::npos);
}

TEST_F(WhyTest, AResourceTheExtensionDoesNotReadIsToldInItsWords) {
  // A symbolic link in place of the resource: the extension does not follow it.
  const std::string resource = root + "/Extension.appex/Resources/callersAdd_Zero.json";
  std::filesystem::rename(resource, dir.file("moved.json"));
  std::filesystem::create_symlink(dir.file("moved.json"), resource);
  const std::string out = why("821012345678", 0);
  EXPECT_NE(out.find("applies nothing: the extension does not read the file (a symbolic link"),
            std::string::npos)
      << out;
  // So is a delta list.
  std::filesystem::create_symlink(dir.file("moved.json"), container() + "/callersAdd.json");
  const auto status = calldir("status");
  EXPECT_NE(status.out.find("callersAdd.json: no data: not read (a symbolic link"), std::string::npos)
      << status.out;
}

TEST_F(WhyTest, WaitingListsAndARefusedListAreTold) {
  testing::writeFile(dir.file("del.json"), R"([{"number":"821012345678"}])");
  testing::writeFile(dir.file("add.json"),
                     R"([{"number":"821099999999","name":"Late"},{"number":"821011111111","name":"Early"}])");
  ASSERT_EQ(calldir("app put --del " + dir.file("del.json")).status, 0);
  std::string out = why("821012345678", 0);
  EXPECT_NE(
      out.find(
          "callersDel.json: an update removes 1 number; element 1 (line 1) lists it: an update removes it"),
      std::string::npos)
      << out;
  EXPECT_NE(out.find("for this number: the update removes it; no label after it"), std::string::npos) << out;
  ASSERT_EQ(calldir("app put --add " + dir.file("add.json")).status, 0);  // out of order
  out = why("821011111111", 1);
  EXPECT_NE(out.find("callersAdd.json: an update fails: error 3 (entriesOutOfOrder) at element 2"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("the update fails as a whole"), std::string::npos);
  testing::writeFile(dir.file("add.json"),
                     R"([{"number":"821011111111","name":"A"},{"number":"821011111111","name":"B"}])");
  ASSERT_EQ(calldir("app put --replace --add " + dir.file("add.json")).status, 0);  // a duplicate
  out = why("821011111111", 1);
  EXPECT_NE(out.find("an update fails: error 4 (duplicateEntries) at element 2"), std::string::npos) << out;
  EXPECT_NE(out.find("element 2 (line 1) lists it as \"B\", but the list is refused as a whole"),
            std::string::npos);
  // One object per number.
  const auto r = calldir("why --json 821012345678 821099999999");
  EXPECT_EQ(r.status, 1);
  simdjson::dom::parser parser;
  simdjson::dom::element answers;
  ASSERT_EQ(parser.parse(r.out).get(answers), simdjson::SUCCESS) << r.out;
  EXPECT_EQ(std::string_view(answers.at(0)["labels"].at(0)), "City Hall");
  EXPECT_TRUE(answers.at(0)["lists"]["callersDel.json"]["present"].get_bool().value());
  EXPECT_EQ(std::string_view(answers.at(1)["next"]["action"]), "update");
  EXPECT_TRUE(answers.at(1)["lists"]["callersAdd.json"]["refused"].get_bool().value());
  // Once an update has applied and emptied both lists, neither is refused.
  testing::writeFile(dir.file("add.json"), R"([{"number":"821011111111","name":"A"}])");
  ASSERT_EQ(calldir("app put --replace --add " + dir.file("add.json") + " --reload").status, 0) << err();
  out = why("821011111111", 0);
  EXPECT_EQ(out.find("fails"), std::string::npos) << out;
  EXPECT_NE(out.find("for this number: the update leaves it: afterwards it shows \"A\""), std::string::npos)
      << out;
  ASSERT_EQ(parser.parse(calldir("why --json 821011111111").out).get(answers), simdjson::SUCCESS);
  for (const char* list : {"callersDel.json", "callersAdd.json"}) {
    EXPECT_FALSE(answers.at(0)["lists"][list]["refused"].get_bool().value()) << list;
  }
}

}  // namespace
}  // namespace calldir::cli

// What scripts rely on: one JSON document per --json, exit statuses that mean
// one thing, checked writes, the usual conventions of a command-line tool,
// and warnings where the user acts.
#include <gtest/gtest.h>
#include <simdjson.h>
#include <sys/stat.h>

#include <deque>
#include <filesystem>

#include "cli/cli_test.h"
#include "cli/common/option_values.h"
#include "codec/text_decoding.h"
#include "test_util.h"

namespace calldir::cli {
namespace {

class ConventionsTest : public CliTest {
 protected:
  void SetUp() override { ASSERT_EQ(calldir("init").status, 0); }
  // Runs a --json command and checks that standard output is one JSON document.
  simdjson::dom::element json(const std::string& args, int expected_status = 0) {
    const auto r = calldir(args);
    EXPECT_EQ(r.status, expected_status) << args << "\n" << err();
    outputs_.push_back(r.out);
    simdjson::dom::element document;
    EXPECT_EQ(parser_.parse(outputs_.back()).get(document), simdjson::SUCCESS) << args << " printed:\n"
                                                                               << r.out;
    return document;
  }
  std::deque<std::string> outputs_;
  simdjson::dom::parser parser_;
};

TEST_F(ConventionsTest, EveryJsonOutputIsOneDocument) {
  testing::writeFile(dir.file("list.json"), testing::sampleCallerList(3));
  testing::writeFile(dir.file("del.json"), R"([{"number":"821020000001"}])");
  // A value another program wrote that is not UTF-8 still gives valid JSON.
  ASSERT_EQ(testing::runCommand("sqlite3 " + container() +
                                "/Library/Preferences/group.calldir.example.sqlite "
                                "\"INSERT INTO settings VALUES ('odd', CAST(x'ff41' AS TEXT))\"")
                .status,
            0);
  json("paths --json");
  json("enable --json");
  ASSERT_EQ(calldir("bundle put-resource " + dir.file("list.json")).status, 0);
  EXPECT_TRUE(json("app restore --json")["request"].is_null());
  EXPECT_EQ(json("app restore --reload --json")["request"]["added"].get_int64().value(), 3);
  EXPECT_EQ(
      std::string_view(json("app put --del " + dir.file("del.json") + " --json")["action"]["dropped"].at(0)),
      "callersDel.json");
  EXPECT_EQ(
      json("app put --add " + dir.file("list.json") + " --replace --reload --json")["request"]["removed"]
          .get_int64()
          .value(),
      1);
  json("reload --json");
  json("settings list --json");
  const auto status = json("status --json --explain");
  EXPECT_EQ(std::string_view(status["delta_lists"]["callersAdd.json"]["state"]), "empty");
  EXPECT_TRUE(status["last_request"]["completed"].get_bool().value());
  // The note holds what the request measured, the service's memory too.
  EXPECT_GT(status["last_request"]["service_peak_bytes"].get_int64().value(), 0);
  json("entries --json");
  const auto lookup = json("lookup --json 821020000002 '+1 202-555-0123'", 1);
  EXPECT_EQ(std::string_view(lookup.at(0)["labels"].at(0)), "Caller 1");
  EXPECT_EQ(lookup.at(1)["number"].get_int64().value(), 12025550123);
  json("list check --json " + dir.file("list.json"));
  json("disable --json");
  EXPECT_EQ(json("reload --json", 1)["error"]["code"].get_int64().value(), 6);
}

TEST_F(ConventionsTest, TheConventionsPeopleExpect) {
  EXPECT_EQ(calldir("--version").out, "calldir 0.1.0\n");
  EXPECT_EQ(calldir("version").out, "calldir 0.1.0\n");
  auto r = testing::runCommand(std::string(CALLDIR_BINARY) + " 2>&1");  // bare: the commands
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Subcommands:"), std::string::npos);
  r = calldir("app");
  EXPECT_NE(r.out.find("Usage: calldir app"), std::string::npos);
  EXPECT_EQ(calldir("stauts").status, 2);
  EXPECT_NE(err().find("unknown command 'stauts'; did you mean 'status'?"), std::string::npos) << err();
  EXPECT_EQ(calldir("list chek x").status, 2);
  EXPECT_EQ(err().rfind("calldir: ", 0), 0u);
  EXPECT_EQ(calldir("settings get").status, 2);
  EXPECT_EQ(err().rfind("calldir: ", 0), 0u) << err();
  // --root after the command, and every option of every command in --help-all.
  EXPECT_EQ(testing::runCommand(std::string(CALLDIR_BINARY) + " status --root " + root).status, 0);
  const std::string help = calldir("--help-all").out;
  for (const char* option : {"--line-length", "--role", "--replace", "--explain", "--memory-limit BYTES",
                             "--time-limit SECONDS", "--root DIR", "--trace FILE"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
  EXPECT_EQ(calldir("paths > /dev/full").status, 3);
  EXPECT_EQ(calldir("list encode " + dir.path().string() + " -o -").status, 3);
  const auto bash = calldir("completion bash");
  testing::writeFile(dir.file("completion.bash"), bash.out);
  EXPECT_EQ(testing::runCommand("bash -n " + dir.file("completion.bash")).status, 0);
  EXPECT_NE(calldir("completion fish").out.find("complete -c calldir"), std::string::npos);
}

TEST_F(ConventionsTest, OptionValuesAreCheckedAndTheTraceCanGoToStandardOutput) {
  ASSERT_EQ(calldir("enable").status, 0);
  for (const char* bad :
       {"--time-limit 0", "--time-limit -1", "--time-limit 1e400", "--time-limit nan", "--time-limit 0x10",
        "--max-entries -5", "--max-entries 99999999999999999999", "--max-entries 5x", "--memory-limit 1000",
        "--memory-limit 12X", "--json --trace -"}) {
    EXPECT_EQ(calldir(std::string("reload ") + bad).status, 2) << bad;
    EXPECT_EQ(err().rfind("calldir: ", 0), 0u) << err();
  }
  testing::writeFile(dir.file("export.csv"), "1,a\n");
  EXPECT_EQ(
      calldir("list encode --from csv --number-column 99999999999999999999 " + dir.file("export.csv")).status,
      2);
  testing::writeFile(dir.file("empty.json"), "[]");
  EXPECT_EQ(calldir("list encode --line-length 64 " + dir.file("empty.json")).status, 0);
  for (const char* bad : {"--line-length 99999999999999999999", "--line-length -1"}) {
    EXPECT_EQ(calldir("list encode " + dir.file("empty.json") + " " + bad).status, 2) << bad;
  }
  // Taken (the request itself may fail under a sanitizer, which cannot run
  // in a limited address space).
  EXPECT_NE(calldir("reload --memory-limit 512M").status, 2) << err();
  EXPECT_EQ(parseByteCount("512M").valueOr(0), 512u << 20);
  EXPECT_EQ(parseByteCount("2GiB").valueOr(0), 2ull << 30);
  EXPECT_EQ(parseByteCount("1048576").valueOr(0), 1048576u);
  for (const char* bad : {"", "M", "12MB2", "-1", "99999999999999999999G"})
    EXPECT_FALSE(parseByteCount(bad).ok()) << bad;
  const auto r = calldir("reload --trace -");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("setDelegate\nisIncremental\ncompleteRequest\n", 0), 0u) << r.out;
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "-"));
  // A missing extension is an installation problem: exit 3, naming the way out.
  const auto missing = testing::runCommand("CALLDIR_EXTENSION=" + dir.file("none") + " " + CALLDIR_BINARY +
                                           " --root " + root + " reload 2>&1");
  EXPECT_EQ(missing.status, 3);
  EXPECT_NE(missing.out.find("CALLDIR_EXTENSION"), std::string::npos) << missing.out;
}

TEST_F(ConventionsTest, LabelsStayOnOneLineAndWarningsComeWhereTheUserActs) {
  ASSERT_EQ(calldir("enable").status, 0);
  testing::writeFile(
      dir.file("odd.json"),
      R"([{"number":"821000000002","name":"two\nlines\tand \\ slash"},{"number":"821000000001","name":"x"}])");
  auto r = calldir("bundle put-resource " + dir.file("odd.json"));
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(err().find("a restore from zero fails: error 3 (entriesOutOfOrder) at element 2"),
            std::string::npos)
      << err();
  testing::writeFile(dir.file("odd.json"),
                     R"([{"number":"821000000002","name":"two\nlines\tand \\ slash"}])");
  ASSERT_EQ(calldir("bundle put-resource " + dir.file("odd.json")).status, 0);
  ASSERT_EQ(calldir("app restore --reload").status, 0);
  EXPECT_EQ(calldir("entries").out, "821000000002\ttwo\\nlines\\tand \\\\ slash\n");
  EXPECT_EQ(calldir("lookup 821000000002").out, "821000000002\ttwo\\nlines\\tand \\\\ slash\n");

  testing::writeFile(dir.file("numbers.json"), R"([{"number":"821000000003"}])");
  calldir("app put --add " + dir.file("numbers.json") + " --replace");
  EXPECT_NE(err().find("--del?"), std::string::npos) << err();
  calldir("app put --add " + dir.file("numbers.json") + " --replace");  // still waits; replaced
  ASSERT_EQ(calldir("settings set CDListRestoreStatus yes").status, 0);
  r = calldir("reload");
  EXPECT_NE(
      err().find("nothing applied: CDListClearAllYN is \"N\", not \"Y\", and CDListRestoreStatus is \"yes\""),
      std::string::npos)
      << err();
  // The waiting add list has no names, so it changes nothing; the warning
  // tells the lists as the request found them, and they are emptied.
  ASSERT_EQ(calldir("settings set CDListRestoreStatus END").status, 0);
  calldir("reload");
  EXPECT_NE(err().find("no delta list changed anything (the request found callersDel.json missing, "
                       "callersAdd.json waiting)"),
            std::string::npos)
      << err();
  EXPECT_NE(calldir("status").out.find("callersAdd.json: empty"), std::string::npos);
  ASSERT_EQ(calldir("settings set CDListRestoreStatus yes").status, 0);
  const std::string status = calldir("status --explain").out;
  EXPECT_EQ(status.rfind("last request: incremental, completed, at ", 0), 0u) << status;
  EXPECT_NE(status.find("which the extension ignores"), std::string::npos);
  EXPECT_NE(status.find("the last request, at "), std::string::npos);
  r = calldir("reload --full");
  EXPECT_NE(err().find("left the store empty; it held 1 entries"), std::string::npos) << err();
}

TEST(Installation, AnInstalledCalldirFindsItsExtension) {
  testing::TempDir dir;
  const std::string prefix = dir.file("prefix");
  ASSERT_EQ(testing::runCommand("cmake --install " + std::string(CALLDIR_BUILD_DIR) + " --prefix " + prefix +
                                " >/dev/null 2>&1")
                .status,
            0);
  EXPECT_TRUE(std::filesystem::exists(prefix + "/libexec/calldir/calldir-extension"));
  EXPECT_TRUE(std::filesystem::exists(prefix + "/share/man/man1/calldir.1"));
  const std::string calldir =
      "env -u CALLDIR_EXTENSION " + prefix + "/bin/calldir --root " + dir.file("device");
  ASSERT_EQ(testing::runCommand(calldir + " init").status, 0);
  EXPECT_EQ(testing::runCommand(calldir + " enable").status, 0);
  EXPECT_EQ(testing::runCommand(calldir + " reload").status, 0);
}

}  // namespace
}  // namespace calldir::cli

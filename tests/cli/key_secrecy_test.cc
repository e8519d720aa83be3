// The list key is never printed: every command, on success and on failure,
// with its trace and outputs, is searched for it.
#include <gtest/gtest.h>

#include "cli/cli_test.h"
#include "codec/list_key.h"
#include "codec/text_decoding.h"
#include "test_util.h"

namespace calldir::cli {
namespace {

using KeySecrecyTest = CliTest;

TEST_F(KeySecrecyTest, NoCommandPrintsTheListKey) {
  const std::string key = codec::getCallDirectoryEncryptKey();
  const std::string list = dir.file("list.json");
  const std::string text = dir.file("list.txt");
  const std::string bad = dir.file("bad.txt");
  testing::writeFile(list, testing::sampleCallerList(3));
  testing::writeFile(text, codec::encodeListText(testing::sampleCallerList(3)));
  testing::writeFile(bad, "QUJDREVGR0hJSktMTU5PUFFSU1RVVldY");
  const std::string commands[] = {"init",
                                  "paths",
                                  "paths --json",
                                  "enable",
                                  "bundle put-resource " + list,
                                  "app restore --reload --json",
                                  "app put --add " + text + " --reload --trace " + dir.file("trace"),
                                  "app put --del " + bad,
                                  "status",
                                  "status --json",
                                  "settings list",
                                  "settings list --json",
                                  "settings get CallDirectoryAddLog",
                                  "settings set CDListRestoreStatus END",
                                  "settings unset Nothing",
                                  "list encode " + list,
                                  "list encode --raw " + bad,
                                  "list decode " + text,
                                  "list decode " + bad,
                                  "list check " + text,
                                  "list check --json " + bad,
                                  "list check " + dir.path().string(),
                                  "reload --json",
                                  "reload --full",
                                  "lookup 821000000001 5",
                                  "entries",
                                  "entries --json",
                                  "disable",
                                  "reload",
                                  "--help",
                                  "--help-all",
                                  "list --help",
                                  "no-such-command",
                                  "init --group bad"};
  for (const std::string& command : commands) {
    const auto r = calldir(command);
    EXPECT_EQ(r.out.find(key), std::string::npos) << command;
    EXPECT_EQ(err().find(key), std::string::npos) << command;
  }
  EXPECT_EQ(testing::readFile(dir.file("trace")).find(key), std::string::npos);
}

}  // namespace
}  // namespace calldir::cli

// Every row of the command table is a command people can reach: it has a
// summary, answers --help under its own path, and is in --help-all, the man
// page's source, and in every completion script.
#include "cli/command_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "cli/cli_test.h"

namespace calldir::cli {
namespace {

using CommandTableTest = CliTest;

TEST_F(CommandTableTest, EveryRowIsReachableDocumentedAndCompleted) {
  const std::string help_all = calldir("--help-all").out;
  const std::string bash = calldir("completion bash").out;
  const std::string fish = calldir("completion fish").out;
  std::set<std::string_view> paths;
  for (const Command& row : commandTable()) {
    const std::string path(row.path);
    SCOPED_TRACE(path);
    EXPECT_TRUE(paths.insert(row.path).second) << "two rows for one path";
    EXPECT_FALSE(row.summary.empty());
    ASSERT_NE(row.declare, nullptr);
    const auto help = calldir(path + " --help");
    EXPECT_EQ(help.status, 0) << err();
    EXPECT_NE(help.out.find("Usage: calldir " + path + " [OPTIONS]"), std::string::npos) << help.out;
    EXPECT_NE(help_all.find("Usage: calldir " + path + " [OPTIONS]"), std::string::npos);
    EXPECT_NE(bash.find("\"" + path + "\") words="), std::string::npos);
    const std::string last = path.substr(path.rfind(' ') + 1);
    EXPECT_NE(fish.find(" -a " + last + "\n"), std::string::npos);
  }
  // Every group a row names is declared, and lists its commands alone.
  for (const CommandGroup& group : commandGroups()) {
    const auto r = calldir(std::string(group.name));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(std::string(group.summary)), std::string::npos) << r.out;
  }
}

}  // namespace
}  // namespace calldir::cli

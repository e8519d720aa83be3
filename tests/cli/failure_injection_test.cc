// The platform's failures on demand (`reload --fail CODE[@N]`) leave exactly
// what the same kind of real failure leaves: the status lines, the error
// line, the waiting delta lists, the store and what `status` says.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <simdjson.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <thread>

#include "cli/cli_test.h"
#include "platform/sqlite_settings.h"
#include "test_util.h"

namespace calldir::cli {
namespace {

// What a request leaves behind, with the times and the element in progress
// of the per-element log lines taken out.
struct Leftovers {
  std::map<std::string, std::string> settings;
  std::map<std::string, std::string> container;
  std::string entries;
  std::string status;  // the last request's outcome, the lists and the next request
  bool operator==(const Leftovers&) const = default;
};

void PrintTo(const Leftovers& l, std::ostream* os) {
  for (const auto& [k, v] : l.settings) *os << k << "=" << v << "\n";
  *os << l.status << "\n" << l.entries;
}

class FailureInjectionTest : public CliTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(calldir("init").status, 0);
    ASSERT_EQ(calldir("enable").status, 0);
    ASSERT_EQ(calldir("bundle put-resource " + example("callers.json")).status, 0);
    ASSERT_EQ(calldir("app restore --reload").status, 0);
    testing::writeFile(dir.file("add.json"), testing::sampleCallerList(3000, 821030000000));
    ASSERT_EQ(
        calldir("app put --del " + example("callersDel.json") + " --add " + dir.file("add.json")).status, 0);
  }

  std::string settingsPath() const {
    return container() + "/Library/Preferences/group.calldir.example.sqlite";
  }

  Leftovers leftovers() {
    Leftovers out;
    const std::regex time(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \+0000)");
    const std::regex progress(R"(^\[\d+ / (\d+)\] .*)");  // the element in progress
    auto store = platform::SqliteSettingsStore::open(settingsPath(), "group.calldir.example",
                                                     base::Access::kReadWrite);
    EXPECT_TRUE(store.ok());
    for (const auto& [key, value] : (*store)->snapshot().valueOr({})) {
      out.settings[key] = std::regex_replace(std::regex_replace(value, time, "T"), progress, "[i / $1] ...");
    }
    for (const auto& entry : std::filesystem::directory_iterator(container())) {
      if (entry.is_regular_file()) out.container[entry.path().filename()] = testing::readFile(entry.path());
    }
    out.entries = calldir("entries --list").out;
    simdjson::dom::parser parser;
    const auto json = calldir("status --json").out;
    simdjson::dom::element status = parser.parse(json).value();
    out.status = simdjson::minify(status["last_request"]["error"]) + " " +
                 simdjson::minify(status["delta_lists"]) + " " + simdjson::minify(status["next"]) + " " +
                 simdjson::minify(status["control"]);
    return out;
  }

  // Runs `reload` in the background and kills the extension with SIGKILL
  // once the update has logged `elements` elements, as the phone kills an
  // extension under memory pressure.
  void reloadAndKillTheExtension(int elements) {
    const std::string pid_file = dir.file("extension.pid");
    const std::string wrapper = dir.file("extension.sh");
    testing::writeFile(wrapper,
                       "#!/bin/sh\necho $$ > " + pid_file + "\nexec " + CALLDIR_EXTENSION_BINARY + "\n");
    ::chmod(wrapper.c_str(), 0755);
    const std::string command = "CALLDIR_EXTENSION=" + wrapper + " " + CALLDIR_BINARY + " --root " + root +
                                " reload > " + dir.file("real.out") + " 2>&1 &";
    ASSERT_EQ(testing::runCommand(command).status, 0);
    auto store = platform::SqliteSettingsStore::open(settingsPath(), "group.calldir.example",
                                                     base::Access::kReadWrite);
    ASSERT_TRUE(store.ok());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
      const auto line =
          (*store)->initWithSuiteName("group.calldir.example")->objectForKey("CallDirectoryAddLog");
      if (line && line->rfind("[", 0) == 0 && std::stoi(line->substr(1)) >= elements) break;
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the update never got going";
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(::kill(std::stoi(testing::readFile(pid_file)), SIGKILL), 0);
    while (testing::runCommand("grep -q 'request:' " + dir.file("real.out")).status != 0) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
};

TEST_F(FailureInjectionTest, Error2KillsTheExtensionAsThePhoneDoes) {
  const Leftovers before = leftovers();
  reloadAndKillTheExtension(100);
  EXPECT_NE(testing::readFile(dir.file("real.out")).find("failed with error 2"), std::string::npos);
  const Leftovers real = leftovers();
  EXPECT_EQ(real.container, before.container);  // nothing applied, nothing emptied
  EXPECT_EQ(real.entries, before.entries);
  EXPECT_EQ(real.settings.count("CallDirectoryErrorError"), 0u);  // the extension never heard
  EXPECT_EQ(calldir("reload --fail 2@300").status, 1);
  EXPECT_EQ(leftovers(), real);
}

TEST_F(FailureInjectionTest, Error7IsWhatAnotherLoadingRequestGives) {
  const std::string lock = root + "/CallDirectory/loading.lock";
  const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  EXPECT_EQ(calldir("reload").status, 1);
  ::close(fd);
  const Leftovers real = leftovers();
  EXPECT_EQ(calldir("reload --fail 7").status, 1);
  EXPECT_EQ(leftovers(), real);
  // After N operations it is a refusal the extension hears and records.
  EXPECT_EQ(calldir("reload --fail 7@5").status, 1);
  EXPECT_NE(calldir("settings get CallDirectoryErrorError").out.find("Code=7 \"currently loading"),
            std::string::npos);
}

TEST_F(FailureInjectionTest, Error11IsWhatADamagedDatabaseGivesUntilReset) {
  EXPECT_EQ(calldir("reload --fail 11").status, 1);
  const Leftovers injected = leftovers();
  EXPECT_NE(injected.settings.at("CallDirectoryErrorError").find("Code=11 \"The operation couldn"),
            std::string::npos);
  ASSERT_EQ(calldir("device damage-store").status, 0);
  for (int request = 0; request < 2; ++request) {
    EXPECT_EQ(calldir("reload").status, 1);
    EXPECT_EQ(leftovers(), injected);
  }
  ASSERT_EQ(calldir("device reset").status, 0);
  EXPECT_EQ(calldir("entries").out, "");
  EXPECT_NE(calldir("reload").out.find("complete request: completed"), std::string::npos);
  ASSERT_EQ(calldir("app restore --reload").status, 0);
  EXPECT_EQ(calldir("lookup 821012345678").status, 0);
}

TEST_F(FailureInjectionTest, Error102AtCompletionIsAnAnswerAsARealRefusalThere) {
  // A real refusal at completion: the cap, passed by the last additions.
  EXPECT_EQ(calldir("reload --max-entries 3005").status, 1);
  Leftovers real = leftovers();
  EXPECT_EQ(calldir("reload --fail 102").status, 1);
  Leftovers injected = leftovers();
  EXPECT_NE(real.settings.at("CallDirectoryErrorError").find("Code=5"), std::string::npos);
  EXPECT_NE(injected.settings.at("CallDirectoryErrorError").find("Code=102"), std::string::npos);
  real.settings.erase("CallDirectoryErrorError");
  injected.settings.erase("CallDirectoryErrorError");
  EXPECT_EQ(injected.container, real.container);
  EXPECT_EQ(injected.entries, real.entries);
  EXPECT_EQ(injected.settings, real.settings);
  EXPECT_EQ(calldir("reload --fail 3").status, 2);
}

}  // namespace
}  // namespace calldir::cli

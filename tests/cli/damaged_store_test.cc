// A call directory store or shared settings that someone damaged: every
// command that reads them says which file and exits 3; none aborts or
// guesses.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "cli/cli_test.h"
#include "test_util.h"

namespace calldir::cli {
namespace {

class DamagedStoreTest : public CliTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(calldir("init").status, 0);
    ASSERT_EQ(calldir("enable").status, 0);
    testing::writeFile(dir.file("list.json"), testing::sampleCallerList(20000));
    ASSERT_EQ(calldir("bundle put-resource " + dir.file("list.json")).status, 0);
    ASSERT_EQ(calldir("app restore --reload").status, 0) << err();
  }
  std::string store() const { return root + "/CallDirectory/store.sqlite"; }
  std::string sql(const std::string& db, const std::string& statement) {
    return testing::runCommand("sqlite3 " + db + " " + testing::shellQuote(statement)).out;
  }
  // Every command that reads the store fails with exit 3, naming `file`.
  void expectEveryReaderRefuses(const std::string& file, const std::string& what) {
    for (const char* command : {"status", "lookup 821020000001", "entries", "reload"}) {
      EXPECT_EQ(calldir(command).status, 3) << command << " with " << what << "\n" << err();
      EXPECT_EQ(err().rfind("calldir: ", 0), 0u) << err();
      EXPECT_NE(err().find(file), std::string::npos) << command << " with " << what << ": " << err();
    }
  }
};

TEST_F(DamagedStoreTest, EveryStateValueDamagedInTurnIsNamedNeverGuessed) {
  for (const char* key : {"generation", "entries", "enabled", "loaded", "last_request"}) {
    const std::string kept =
        sql(store(), std::string("SELECT quote(value) FROM state WHERE key = '") + key + "'");
    ASSERT_FALSE(kept.empty()) << key;
    for (const char* damage : {"'not a number'", "'99999999999999999999'", "''", "NULL", "'-1'", "'[1]'"}) {
      sql(store(), std::string("UPDATE state SET value = ") + damage + " WHERE key = '" + key + "'");
      if (std::string(key) == "last_request" && std::string(damage) == "'99999999999999999999'") continue;
      expectEveryReaderRefuses(store(), std::string(key) + " = " + damage);
    }
    sql(store(),
        "UPDATE state SET value = " + kept.substr(0, kept.size() - 1) + " WHERE key = '" + key + "'");
    ASSERT_EQ(calldir("lookup 821020000001").status, 0) << key << " restored\n" << err();
  }
}

TEST_F(DamagedStoreTest, AMissingOrTruncatedGenerationFileIsNamed) {
  std::string current = sql(store(), "SELECT value FROM state WHERE key = 'generation'");
  current.pop_back();
  const std::string generation = root + "/CallDirectory/entries-" + current + ".sqlite";
  ASSERT_TRUE(std::filesystem::exists(generation));
  std::filesystem::rename(generation, generation + ".away");
  expectEveryReaderRefuses(generation, "no generation file");
  std::filesystem::rename(generation + ".away", generation);
  ASSERT_EQ(::truncate(generation.c_str(), static_cast<off_t>(std::filesystem::file_size(generation) / 2)),
            0);
  expectEveryReaderRefuses(generation, "half a generation file");
}

TEST_F(DamagedStoreTest, SharedSettingsWithoutTheirTableAreNamed) {
  const std::string settings = container() + "/Library/Preferences/group.calldir.example.sqlite";
  sql(settings, "DROP TABLE settings; CREATE TABLE settings (k, v)");
  for (const char* command : {"status", "reload", "settings list", "app restore"}) {
    EXPECT_EQ(calldir(command).status, 3) << command;
    EXPECT_NE(err().find(settings), std::string::npos) << command << ": " << err();
  }
}

}  // namespace
}  // namespace calldir::cli

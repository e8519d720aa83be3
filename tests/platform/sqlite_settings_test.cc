#include "platform/sqlite_settings.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "test_util.h"

namespace calldir::platform {
namespace {

const std::string kGroup = "group.test";

std::unique_ptr<SqliteSettingsStore> openStore(const std::string& path) {
  auto store = SqliteSettingsStore::open(path, kGroup, base::Access::kCreate);
  EXPECT_TRUE(store.ok()) << store.status().message();
  return store.ok() ? std::move(store).value() : nullptr;
}

std::size_t countValues(SqliteSettingsStore& store) {
  const auto values = store.snapshot();
  EXPECT_TRUE(values.ok());
  return values.ok() ? values->size() : 0;
}

TEST(SqliteSettings, ReadsWritesAndGroupsWritesUntilSynchronize) {
  testing::TempDir dir;
  const std::string path = dir.file("settings.sqlite");
  auto store = openStore(path);
  auto a = store->initWithSuiteName(kGroup);
  EXPECT_FALSE(a->objectForKey("CDListRestoreStatus"));
  a->setObject("START", "CDListRestoreStatus");
  // Another handle of this process sees the write at once...
  EXPECT_EQ(store->initWithSuiteName(kGroup)->objectForKey("CDListRestoreStatus"), "START");
  // ...another process only after synchronize.
  auto other = openStore(path);
  EXPECT_FALSE(other->initWithSuiteName(kGroup)->objectForKey("CDListRestoreStatus"));
  EXPECT_TRUE(a->synchronize());
  EXPECT_EQ(other->initWithSuiteName(kGroup)->objectForKey("CDListRestoreStatus"), "START");
  a->removeObjectForKey("CDListRestoreStatus");
  EXPECT_TRUE(a->synchronize());
  EXPECT_FALSE(other->initWithSuiteName(kGroup)->objectForKey("CDListRestoreStatus"));
}

TEST(SqliteSettings, ReleasingAWritingHandleCommits) {
  testing::TempDir dir;
  const std::string path = dir.file("settings.sqlite");
  auto store = openStore(path);
  store->initWithSuiteName(kGroup)->setObject("NO [N] [t]", "CallDirectoryisIncremental");
  auto other = openStore(path);
  EXPECT_EQ(other->initWithSuiteName(kGroup)->objectForKey("CallDirectoryisIncremental"), "NO [N] [t]");
}

TEST(SqliteSettings, AGroupThatCannotCommitIsDroppedNotWrittenLater) {
  testing::TempDir dir;
  const std::string path = dir.file("settings.sqlite");
  auto store = openStore(path);
  // The database refuses the group's second write, as a full disk would.
  ASSERT_EQ(testing::runCommand("sqlite3 " + path +
                                " \"CREATE TRIGGER refuse BEFORE INSERT ON settings WHEN NEW.key = 'B' "
                                "BEGIN SELECT RAISE(ABORT, 'no'); END\"")
                .status,
            0);
  auto settings = store->initWithSuiteName(kGroup);
  settings->setObject("1", "A");
  settings->setObject("2", "B");
  EXPECT_FALSE(settings->synchronize());
  ASSERT_EQ(testing::runCommand("sqlite3 " + path + " 'DROP TRIGGER refuse'").status, 0);
  settings->setObject("3", "C");
  EXPECT_TRUE(settings->synchronize());
  settings.reset();
  store.reset();
  EXPECT_EQ(testing::runCommand("sqlite3 " + path + " 'SELECT key FROM settings ORDER BY key'").out, "C\n");
}

TEST(SqliteSettings, ValuesThatAreNotTextReadAsMissing) {
  testing::TempDir dir;
  const std::string path = dir.file("settings.sqlite");
  auto store = openStore(path);
  auto r = testing::runCommand("sqlite3 " + path +
                               " \"INSERT INTO settings VALUES ('n', 42), ('b', x'00'), ('t', 'text')\"");
  ASSERT_EQ(r.status, 0);
  auto s = store->initWithSuiteName(kGroup);
  EXPECT_FALSE(s->objectForKey("n"));
  EXPECT_FALSE(s->objectForKey("b"));
  EXPECT_EQ(s->objectForKey("t"), "text");
  EXPECT_EQ(countValues(*store), 1u);
}

TEST(SqliteSettings, OtherSuitesAndUnopenableStoresLoseWrites) {
  testing::TempDir dir;
  auto store = openStore(dir.file("settings.sqlite"));
  auto foreign = store->initWithSuiteName("group.someone.else");
  foreign->setObject("Y", "CDListClearAllYN");
  EXPECT_FALSE(foreign->synchronize());
  EXPECT_FALSE(store->initWithSuiteName(kGroup)->objectForKey("CDListClearAllYN"));

  const base::Status error =
      SqliteSettingsStore::open(dir.file("no/such/folder/settings.sqlite"), kGroup, base::Access::kCreate)
          .status();
  EXPECT_FALSE(error.ok());
  EXPECT_NE(error.message().find("cannot open"), std::string::npos);
  UnavailableSettingsProvider unavailable;  // what the extension is given then
  auto s = unavailable.initWithSuiteName(kGroup);
  s->setObject("v", "k");
  EXPECT_FALSE(s->objectForKey("k"));
  EXPECT_FALSE(s->synchronize());
}

TEST(SqliteSettings, AnotherProcessWritingAtTheSameTimeNeverMakesACallFail) {
  testing::TempDir dir;
  const std::string path = dir.file("settings.sqlite");
  { openStore(path); }
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto store = openStore(path);
    int failures = 0;
    for (int i = 0; i < 2000; ++i) {
      auto s = store->initWithSuiteName(kGroup);
      s->setObject(std::to_string(i), "writer");
      s->setObject("Y", "CDListClearAllYN");
      if (!s->synchronize()) ++failures;
    }
    _exit(failures == 0 ? 0 : 1);
  }
  auto store = openStore(path);
  int failures = 0;
  for (int i = 0; i < 2000; ++i) {
    auto s = store->initWithSuiteName(kGroup);
    s->setObject("[" + std::to_string(i) + " / 2000]", "CallDirectoryAddLog");
    if (!s->synchronize()) ++failures;
    (void)s->objectForKey("writer");
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(failures, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  auto s = store->initWithSuiteName(kGroup);
  EXPECT_EQ(s->objectForKey("writer"), "1999");
  EXPECT_EQ(s->objectForKey("CallDirectoryAddLog"), "[1999 / 2000]");
}

TEST(SqliteSettings, AProcessKilledInAGroupOfWritesLeavesAllOrNone) {
  testing::TempDir dir;
  const std::string path = dir.file("settings.sqlite");
  { openStore(path); }
  for (int round = 0; round < 5; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      auto store = openStore(path);
      for (int generation = 0;; ++generation) {
        auto s = store->initWithSuiteName(kGroup);
        for (int k = 0; k < 50; ++k)
          s->setObject("gen " + std::to_string(generation), "key" + std::to_string(k));
        s->synchronize();
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(30 + 17 * round));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    auto store = openStore(path);
    const auto snapshot = store->snapshot();
    ASSERT_TRUE(snapshot.ok());
    const SettingsSnapshot& values = *snapshot;
    if (values.empty()) continue;  // killed before the first group: none of it
    ASSERT_EQ(values.size(), 50u);
    const std::string first = values.begin()->second;
    for (const auto& [key, value] : values) EXPECT_EQ(value, first) << key;
  }
}

}  // namespace
}  // namespace calldir::platform

#include "base/sqlite.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_util.h"

namespace calldir::base::sqlite {
namespace {

std::int64_t rows(sqlite3* db) {
  Statement count(db, "SELECT count(*) FROM t");
  return count.step() == SQLITE_ROW ? count.columnInt64(0) : -1;
}

TEST(Transaction, CommitsOrRollsBackWhenLeftOpen) {
  testing::TempDir dir;
  auto opened = open(dir.file("db.sqlite"), Access::kCreate);
  ASSERT_TRUE(opened.ok());
  Connection db = std::move(opened).value();
  ASSERT_TRUE(exec(db.get(), "CREATE TABLE t (x)").ok());
  Statement insert(db.get(), "INSERT INTO t VALUES (?1)");
  {
    Transaction transaction(db.get());
    ASSERT_TRUE(transaction.begin().ok());
    insert.bindInt64(1, 1);
    EXPECT_EQ(insert.run(), SQLITE_DONE);
    EXPECT_EQ(rows(db.get()), 1);
  }  // not committed: rolled back
  EXPECT_EQ(rows(db.get()), 0);
  Transaction transaction(db.get());
  ASSERT_TRUE(transaction.begin().ok());
  insert.bindInt64(1, 2);
  EXPECT_EQ(insert.run(), SQLITE_DONE);
  EXPECT_EQ(insert.run(), SQLITE_DONE);  // run() resets, so the statement runs again
  ASSERT_TRUE(transaction.commit().ok());
  EXPECT_FALSE(transaction.active());
  EXPECT_EQ(rows(db.get()), 2);
  const Status bad = exec(db.get(), "NOT SQL");
  EXPECT_EQ(bad.kind(), Status::Kind::kIoError);
  EXPECT_NE(bad.message().find("syntax error"), std::string::npos);
}

// A reader needs no write access: it sees every commit, in the main file or
// still in the log, and can change nothing.
TEST(ReadOnly, ReadsWhatIsCommittedWithoutWriting) {
  testing::TempDir dir;
  const std::string path = dir.file("data/db.sqlite");
  std::filesystem::create_directory(dir.file("data"));
  {
    auto db = open(path, Access::kCreate);
    ASSERT_TRUE(db.ok());
    ASSERT_TRUE(exec(db->get(), "CREATE TABLE t (x); INSERT INTO t VALUES (1)").ok());
  }  // closed: the log is folded into the main file and removed
  EXPECT_FALSE(open(dir.file("data/none.sqlite"), Access::kReadOnly).ok());
  auto opened = open(path, Access::kReadWrite);
  ASSERT_TRUE(opened.ok());
  Connection writer = std::move(opened).value();
  ASSERT_TRUE(exec(writer.get(), "PRAGMA wal_autocheckpoint=0; INSERT INTO t VALUES (2)").ok());
  {
    auto reader = open(path, Access::kReadOnly);
    ASSERT_TRUE(reader.ok()) << reader.status().message();
    EXPECT_EQ(rows(reader->get()), 2);  // the second row is in the log only
    EXPECT_FALSE(exec(reader->get(), "INSERT INTO t VALUES (3)").ok());
  }

  testing::ReadOnlyView view(dir.file("data"), dir.file("view"));
  if (!view.ok()) GTEST_SKIP() << "cannot mount a read-only view here (needs root)";
  {
    auto through_view = open(dir.file("view/db.sqlite"), Access::kReadOnly);
    ASSERT_TRUE(through_view.ok()) << through_view.status().message();
    EXPECT_EQ(rows(through_view->get()), 2);
  }
  writer.reset();  // the log is gone again, and a reader here can make no shared memory
  ASSERT_FALSE(std::filesystem::exists(path + "-wal"));
  auto after = open(dir.file("view/db.sqlite"), Access::kReadOnly);
  ASSERT_TRUE(after.ok()) << after.status().message();
  EXPECT_EQ(rows(after->get()), 2);
}

}  // namespace
}  // namespace calldir::base::sqlite

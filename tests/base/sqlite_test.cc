#include "base/sqlite.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace calldir::base::sqlite {
namespace {

std::int64_t rows(sqlite3* db) {
  Statement count(db, "SELECT count(*) FROM t");
  return count.step() == SQLITE_ROW ? count.columnInt64(0) : -1;
}

TEST(Transaction, CommitsOrRollsBackWhenLeftOpen) {
  testing::TempDir dir;
  auto opened = open(dir.file("db.sqlite"), true);
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

}  // namespace
}  // namespace calldir::base::sqlite

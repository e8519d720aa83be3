#include "telephony/call_directory_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_util.h"

namespace calldir::telephony {
namespace {

std::unique_ptr<CallDirectoryStore> openStore(const std::string& path) {
  auto store = CallDirectoryStore::open(path);
  EXPECT_TRUE(store.ok()) << store.status().message();
  return std::move(store).valueOr(nullptr);
}

std::vector<std::string> labels(CallDirectoryStore& store, std::int64_t number) {
  return store.labelsFor(number).valueOr({"(error)"});
}

std::vector<std::string> all(CallDirectoryStore& store) {
  std::vector<std::string> out;
  EXPECT_TRUE(store
                  .forEachEntry([&](std::int64_t n, std::string_view label) {
                    out.push_back(std::to_string(n) + "=" + std::string(label));
                  })
                  .ok());
  return out;
}

TEST(CallDirectoryStore, CommitsOrRollsBackARequestWhole) {
  testing::TempDir dir;
  auto store = openStore(dir.file("store.sqlite"));
  EXPECT_FALSE(store->enabled());
  EXPECT_FALSE(store->loaded());
  ASSERT_TRUE(store->setEnabled(true).ok());
  EXPECT_TRUE(store->enabled());

  ASSERT_TRUE(store->begin(true).ok());
  for (int i = 0; i < 200; ++i) store->add(1000 + i, "L" + std::to_string(i));
  EXPECT_EQ(store->flushAdds(), 200);
  store->rollback();
  EXPECT_EQ(store->entryCount(), 0);
  EXPECT_FALSE(store->loaded());

  ASSERT_TRUE(store->begin(true).ok());
  for (int i = 0; i < 130; ++i) store->add(1000 + i, "L" + std::to_string(i));
  EXPECT_EQ(store->flushAdds(), 130);
  ASSERT_TRUE(store->commit().ok());
  EXPECT_EQ(store->entryCount(), 130);
  EXPECT_TRUE(store->loaded());
  EXPECT_EQ(labels(*store, 1005), std::vector<std::string>{"L5"});
}

TEST(CallDirectoryStore, ANumberKeepsLabelsFromSeparateRequests) {
  testing::TempDir dir;
  auto store = openStore(dir.file("store.sqlite"));
  ASSERT_TRUE(store->begin(false).ok());
  store->add(5, "Bakery");
  store->add(7, "Garage");
  EXPECT_EQ(store->flushAdds(), 2);
  ASSERT_TRUE(store->commit().ok());

  ASSERT_TRUE(store->begin(false).ok());
  store->add(5, "Bakery");  // the same entry again adds nothing
  store->add(5, "Baker's shop");
  EXPECT_EQ(store->flushAdds(), 1);
  ASSERT_TRUE(store->commit().ok());
  EXPECT_EQ(labels(*store, 5), (std::vector<std::string>{"Baker's shop", "Bakery"}));
  EXPECT_EQ(store->entryCount(), 3);
  EXPECT_EQ(all(*store), (std::vector<std::string>{"5=Baker's shop", "5=Bakery", "7=Garage"}));

  ASSERT_TRUE(store->begin(false).ok());
  EXPECT_EQ(store->remove(5), 2);  // every label of the number
  EXPECT_EQ(store->remove(6), 0);
  ASSERT_TRUE(store->commit().ok());
  EXPECT_EQ(all(*store), std::vector<std::string>{"7=Garage"});

  ASSERT_TRUE(store->begin(false).ok());
  store->removeAll();
  store->addBlocking(14085555555);
  ASSERT_TRUE(store->commit().ok());
  EXPECT_EQ(store->entryCount(), 0);
  EXPECT_EQ(store->blockingCount().valueOr(-1), 1);
}

TEST(CallDirectoryStore, OperationsKeepTheirOrderAcrossBatches) {
  testing::TempDir dir;
  auto store = openStore(dir.file("store.sqlite"));
  ASSERT_TRUE(store->begin(false).ok());
  store->add(1, "one");
  EXPECT_EQ(store->remove(1), 1);  // the gathered addition is written before the removal
  store->add(2, "two");
  store->removeAll();
  store->add(3, "three");
  store->flushAdds();
  ASSERT_TRUE(store->commit().ok());
  EXPECT_EQ(all(*store), std::vector<std::string>{"3=three"});
}

TEST(CallDirectoryStore, AReaderKeepsTheGenerationItOpenedAndStraysGo) {
  testing::TempDir dir;
  auto writer = openStore(dir.file("store.sqlite"));
  ASSERT_TRUE(writer->begin(true).ok());
  writer->add(1, "old");
  ASSERT_TRUE(writer->commit().ok());
  auto reader = openStore(dir.file("store.sqlite"));
  EXPECT_EQ(labels(*reader, 1), std::vector<std::string>{"old"});
  // A crashed request left a half-written generation behind.
  testing::writeFile(dir.file("entries-7.sqlite"), "half");
  ASSERT_TRUE(writer->begin(true).ok());
  EXPECT_FALSE(std::filesystem::exists(dir.file("entries-7.sqlite")));
  writer->add(2, "new");
  ASSERT_TRUE(writer->commit().ok());
  EXPECT_EQ(writer->entryCount(), 1);
  EXPECT_EQ(labels(*writer, 1), std::vector<std::string>{});
  // The reader still sees the generation it opened, whole, though its file is gone.
  EXPECT_EQ(labels(*reader, 1), std::vector<std::string>{"old"});
  EXPECT_EQ(all(*reader), std::vector<std::string>{"1=old"});
  EXPECT_FALSE(std::filesystem::exists(dir.file("entries-1.sqlite")));
  // A request that fails leaves nothing behind.
  ASSERT_TRUE(writer->begin(false).ok());
  writer->add(3, "never");
  writer->rollback();
  EXPECT_FALSE(std::filesystem::exists(dir.file("entries-3.sqlite")));
  EXPECT_EQ(all(*writer), std::vector<std::string>{"2=new"});
}

TEST(CallDirectoryStore, AStoreFromBeforeGenerationFilesIsReadAndMovedOnTheNextRequest) {
  testing::TempDir dir;
  const std::string path = dir.file("store.sqlite");
  ASSERT_EQ(testing::runCommand(
                "sqlite3 " + path +
                " \"CREATE TABLE identification (number INTEGER PRIMARY KEY, label TEXT NOT NULL);"
                "CREATE TABLE more_labels (number INTEGER NOT NULL, label TEXT NOT NULL, PRIMARY KEY "
                "(number, label)) WITHOUT ROWID; CREATE TABLE blocking (number INTEGER PRIMARY KEY);"
                "CREATE TABLE state (key TEXT PRIMARY KEY NOT NULL, value TEXT) WITHOUT ROWID;"
                "INSERT INTO identification VALUES (5, 'Bakery'), (7, 'Garage');"
                "INSERT INTO more_labels VALUES (5, 'Baker');"
                "INSERT INTO state VALUES ('loaded', '1'), ('enabled', '1');\"")
                .status,
            0);
  auto store = openStore(path);
  EXPECT_EQ(store->entryCount(), 3);
  EXPECT_EQ(labels(*store, 5), (std::vector<std::string>{"Baker", "Bakery"}));
  ASSERT_TRUE(store->begin(false).ok());
  EXPECT_EQ(store->remove(7), 1);
  ASSERT_TRUE(store->commit().ok());
  EXPECT_EQ(all(*store), (std::vector<std::string>{"5=Baker", "5=Bakery"}));
  EXPECT_EQ(store->entryCount(), 2);
  EXPECT_TRUE(std::filesystem::exists(dir.file("entries-1.sqlite")));
  EXPECT_EQ(testing::runCommand("sqlite3 " + path +
                                " \"SELECT count(*) FROM sqlite_master WHERE name = 'identification'\"")
                .out,
            "0\n");
}

}  // namespace
}  // namespace calldir::telephony

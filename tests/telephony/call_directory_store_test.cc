#include "telephony/call_directory_store.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace calldir::telephony {
namespace {

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
  std::unique_ptr<CallDirectoryStore> store;
  ASSERT_TRUE(CallDirectoryStore::open(dir.file("store.sqlite"), store).ok());
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
  EXPECT_EQ(store->labelsFor(1005), std::vector<std::string>{"L5"});
}

TEST(CallDirectoryStore, ANumberKeepsLabelsFromSeparateRequests) {
  testing::TempDir dir;
  std::unique_ptr<CallDirectoryStore> store;
  ASSERT_TRUE(CallDirectoryStore::open(dir.file("store.sqlite"), store).ok());
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
  EXPECT_EQ(store->labelsFor(5), (std::vector<std::string>{"Baker's shop", "Bakery"}));
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
  EXPECT_EQ(store->blockingCount(), 1);
}

TEST(CallDirectoryStore, OperationsKeepTheirOrderAcrossBatches) {
  testing::TempDir dir;
  std::unique_ptr<CallDirectoryStore> store;
  ASSERT_TRUE(CallDirectoryStore::open(dir.file("store.sqlite"), store).ok());
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

}  // namespace
}  // namespace calldir::telephony

#include "lists/list_diff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "cli/cli_test.h"
#include "codec/text_decoding.h"
#include "lists/list_writer.h"
#include "platform/text.h"
#include "test_util.h"

namespace calldir::lists {
namespace {

using Store = std::map<std::int64_t, std::string>;

std::string plainOf(const Store& store) {
  std::string out;
  for (const auto& [number, name] : store) appendListElement(out, std::to_string(number), name);
  closeList(out);
  return out;
}

Store randomStore(std::mt19937& random, int size) {
  Store store;
  for (int i = 0; i < size; ++i) {
    store[821020000000LL + std::uniform_int_distribution<int>(0, size * 2)(random)] =
        "n" + std::to_string(std::uniform_int_distribution<int>(0, 3)(random));
  }
  return store;
}

ReadEntriesOptions inRegion(const std::string& region) {
  ReadEntriesOptions options;
  options.region = region;
  return options;
}

CallerEntries entriesOf(const std::string& list, const std::string& region = "") {
  auto read = readCallerEntries(list, inRegion(region));
  EXPECT_TRUE(read.ok()) << read.status().message();
  return std::move(read).valueOr({});
}

ListDiff diff(const Store& old_store, const Store& new_store) {
  CallerEntries old_list = entriesOf(plainOf(old_store));
  CallerEntries new_list = entriesOf(codec::encodeListText(plainOf(new_store)));
  auto out = diffLists(old_list, new_list);
  EXPECT_TRUE(out.ok());
  return std::move(out).valueOr({});
}

// An update as the extension and the store carry it out: removals, then
// additions (a number holds several labels when added again).
std::map<std::int64_t, std::set<std::string>> apply(const Store& old_store, const ListDiff& d) {
  std::map<std::int64_t, std::set<std::string>> store;
  for (const auto& [number, name] : old_store) store[number].insert(name);
  std::string del = d.del_plain;  // no names: read as numbers here
  for (std::size_t at = 0; (at = del.find("\"number\":\"", at)) != std::string::npos;) {
    at += 10;
    store.erase(platform::integerValue(del.substr(at)));
  }
  const CallerEntries additions = entriesOf(d.add_plain);
  for (std::size_t i = 0; i < additions.size(); ++i)
    store[additions.number(i)].insert(std::string(additions.name(i)));
  return store;
}

TEST(ListDiff, TheDeltaListsTurnOldIntoNewForRandomPairs) {
  std::mt19937 random(11);
  for (int round = 0; round < 200; ++round) {
    const Store old_store = randomStore(random, std::uniform_int_distribution<int>(0, 40)(random));
    const Store new_store = randomStore(random, std::uniform_int_distribution<int>(0, 40)(random));
    const ListDiff d = diff(old_store, new_store);
    std::map<std::int64_t, std::set<std::string>> expected;
    for (const auto& [number, name] : new_store) expected[number].insert(name);
    EXPECT_EQ(apply(old_store, d), expected) << plainOf(old_store) << plainOf(new_store);
  }
  constexpr std::int64_t k1 = 821020000001, k2 = 821020000002, k3 = 821020000003;
  const ListDiff same = diff({{k1, "a"}}, {{k1, "a"}});
  EXPECT_EQ(same.del_plain, "[]\n");
  EXPECT_EQ(same.add_plain, "[]\n");
  const ListDiff renamed = diff({{k1, "a"}, {k2, "b"}}, {{k1, "A"}, {k3, "c"}});
  EXPECT_EQ(renamed.renamed, 1u);
  EXPECT_EQ(renamed.removed, 1u);
  EXPECT_EQ(renamed.added, 1u);
}

TEST(ListDiff, NumbersAreReadAsListFixReadsThemOrRefused) {
  // Once turned into 10 and 82 without a word.
  const std::string written =
      R"([{"number":"010-1111-2222","name":"a"},{"number":"+82 10-3333-4444","name":"b"}])";
  EXPECT_EQ(readCallerEntries(written).status().message().rfind(
                "element 1 (line 1): not_international: \"010-1111-2222\" is no international", 0),
            0u)
      << readCallerEntries(written).status().message();
  const CallerEntries kr = entriesOf(written, "KR");
  ASSERT_EQ(kr.size(), 2u);
  EXPECT_EQ(kr.number(0), 821011112222);
  EXPECT_EQ(kr.number(1), 821033334444);
  for (const char* junk :
       {R"([{"number":"N/A","name":"x"}])", R"([{"number":"010-****-1234","name":"x"}])"}) {
    EXPECT_EQ(readCallerEntries(junk, inRegion("KR")).status().kind(), base::Status::Kind::kInvalidArgument)
        << junk;
  }
}

TEST(ListDiff, AListWithANumberTwiceIsRefused) {
  CallerEntries old_list =
      entriesOf(R"([{"number":"821020000005","name":"a"},{"number":"010-2000-0005","name":"b"}])", "KR");
  CallerEntries new_list;
  const base::Status s = diffLists(old_list, new_list).status();
  EXPECT_EQ(s.kind(), base::Status::Kind::kInvalidArgument);
  EXPECT_NE(s.message().find("list fix"), std::string::npos);
}

// `store` as a producer's export writes it: each Korean number in one of the
// forms people use, in shuffled order.
std::string messyOf(const Store& store, std::mt19937& random) {
  std::vector<std::string> elements;
  for (const auto& [number, name] : store) {
    const std::string national = std::to_string(number).substr(2);  // 10XXXXXXXX
    const std::string forms[] = {
        std::to_string(number),
        "+82 " + national.substr(0, 2) + "-" + national.substr(2, 4) + "-" + national.substr(6),
        "0" + national.substr(0, 2) + "-" + national.substr(2, 4) + "-" + national.substr(6), "0" + national,
        national};
    elements.push_back("{\"number\":\"" + forms[std::uniform_int_distribution<int>(0, 4)(random)] +
                       "\",\"name\":\"" + name + "\"}");
  }
  std::shuffle(elements.begin(), elements.end(), random);
  std::string out = "[";
  for (const auto& e : elements) out += (out.size() > 1 ? ",\n" : "\n") + e;
  return out + "]";
}

using ListDiffThroughTheDevice = cli::CliTest;

// Yesterday's export fixed and loaded; today's diff of the two messy
// exports applied by a real update: the store is today's export fixed.
TEST_F(ListDiffThroughTheDevice, TheDiffOfTwoMessyExportsLeavesTheStoreOfTheNewOneFixed) {
  ASSERT_EQ(calldir("init").status, 0);
  ASSERT_EQ(calldir("enable").status, 0);
  std::mt19937 random(3);
  for (int round = 0; round < 4; ++round) {
    const Store old_store = randomStore(random, 150);
    Store new_store = old_store;
    for (auto& [number, name] : new_store) {
      if (std::uniform_int_distribution<int>(0, 9)(random) == 0) name += " renamed";
    }
    for (const auto& [number, name] : randomStore(random, 30)) new_store[number + 1] = name;
    new_store.erase(new_store.begin());
    testing::writeFile(dir.file("old.json"), messyOf(old_store, random));
    testing::writeFile(dir.file("new.json"), messyOf(new_store, random));
    ASSERT_EQ(
        calldir("list fix --region KR " + dir.file("old.json") + " -o " + dir.file("old-fixed.json")).status,
        0)
        << err();
    ASSERT_EQ(calldir("bundle put-resource " + dir.file("old-fixed.json")).status, 0);
    ASSERT_EQ(calldir("app restore --reload").status, 0) << err();
    ASSERT_EQ(calldir("list diff --region KR " + dir.file("old.json") + " " + dir.file("new.json") +
                      " --del " + dir.file("del") + " --add " + dir.file("add"))
                  .status,
              0)
        << err();
    ASSERT_EQ(calldir("app put --del " + dir.file("del") + " --add " + dir.file("add") + " --reload").status,
              0)
        << err();
    const auto fixed_new = calldir("list fix --region KR " + dir.file("new.json"));
    ASSERT_EQ(fixed_new.status, 0) << err();
    EXPECT_EQ(calldir("entries --list").out, fixed_new.out);
    EXPECT_EQ(fixed_new.out, plainOf(new_store));
  }
}

}  // namespace
}  // namespace calldir::lists

#include "codec/list_key.h"

#include <gtest/gtest.h>

#include <map>

namespace calldir::codec {
namespace {

KeyMaterial materialWithTable(const std::string& table) {
  KeyMaterial m{};
  std::copy(table.begin(), table.end(), m.table.begin());
  return m;
}

TEST(ListKey, RecordsAreTakenInLabelOrderNotCreationOrder) {
  std::string table;
  for (int i = 0; i < 77; ++i) table += static_cast<char>('!' + i);
  KeyMaterial m = materialWithTable(table);
  m.records = {{
      {'z', {0, 1, 2, 3, 4, 5, 6}, 7},
      {'b', {10, 11, 12, 13}, 4},
      {'m', {20, 21}, 2},
      {'A', {76, 75, 74}, 3},
  }};
  // 'A' < 'b' < 'm' < 'z' by character code; positions keep their stored order.
  EXPECT_EQ(assembleListKey(m), std::string("mlk") + "+,-." + "56" + "!\"#$%&'");
}

TEST(ListKey, BuiltInKeyIsSixteenPrintableCharactersFromTheTable) {
  const std::string key = getCallDirectoryEncryptKey();
  ASSERT_EQ(key.size(), 16u);
  for (char c : key) {
    EXPECT_GE(c, ' ');
    EXPECT_LE(c, '~');
  }
  EXPECT_EQ(getCallDirectoryEncryptKey(), key);

  // Re-derive the key from the material with an independent ordering.
  const KeyMaterial& m = builtInKeyMaterial();
  std::map<char, const KeyRecordMaterial*> by_label;
  for (const auto& r : m.records) by_label[r.word] = &r;
  ASSERT_EQ(by_label.size(), 4u) << "labels must be distinct";
  std::string expected;
  for (const auto& [label, record] : by_label) {
    for (std::size_t i = 0; i < record->count; ++i) expected += m.table[record->point[i]];
  }
  EXPECT_EQ(key, expected);
  EXPECT_EQ(m.records[0].count + m.records[1].count + m.records[2].count + m.records[3].count, 16u);
}

}  // namespace
}  // namespace calldir::codec

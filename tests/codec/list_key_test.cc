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

TEST(KeyMaterial, TheLoaderChecksEveryRuleAndRoundTripsThroughItsSource) {
  std::string table;  // printable, and nothing JSON would need escaped
  for (char c = '#'; table.size() < 77; ++c) {
    if (c != '\\') table += c;
  }
  auto json = [&](const std::string& records, const std::string& t) {
    return "{\"note\": \"ignored\", \"table\": \"" + t + "\", \"records\": [" + records + "]}";
  };
  const std::string good = R"({"word":"d","point":[0,1,2,3,4,5,6]},{"word":"a","point":[7,8,9,76]},)"
                           R"({"word":"c","point":[10,11]},{"word":"b","point":[12,13,14]})";
  const auto parsed = parseKeyMaterial(json(good, table));
  ASSERT_TRUE(parsed.ok());
  const KeyMaterial& m = *parsed;
  EXPECT_EQ(m.records[1].word, 'a');
  EXPECT_EQ(m.records[1].point[3], 76);
  EXPECT_EQ(assembleListKey(m).size(), 16u);

  const std::pair<std::string, const char*> refused[] = {
      {"{", "not a JSON text"},
      {"[]", "no \"table\""},
      {json(good, table.substr(1)), "77 characters"},
      {json(good, table.substr(1) + "\u00e9"), "77 characters"},
      {json(good, table.substr(1) + "\\t"), "printable"},
      {json(good.substr(0, good.rfind(",{")), table), "4 records"},
      {json(R"({"word":"dd","point":[0,1,2,3,4,5,6]})" + good.substr(good.find("},") + 1), table),
       "one printable"},
      {json(R"({"word":"a","point":[0,1,2,3,4,5,6]})" + good.substr(good.find("},") + 1), table),
       "used twice"},
      {json(R"({"word":"d","point":[0,1,2,3,4,5]})" + good.substr(good.find("},") + 1), table),
       "7 positions"},
      {json(R"({"word":"d","point":[0,1,2,3,4,5,77]})" + good.substr(good.find("},") + 1), table), "0 to 76"},
      {json(R"({"word":"d","point":[0,1,2,3,4,5,-1]})" + good.substr(good.find("},") + 1), table), "0 to 76"},
  };
  for (const auto& [text, words] : refused) {
    const base::Status s = parseKeyMaterial(text).status();
    EXPECT_NE(s.message().find(words), std::string::npos) << text << " -> " << s.message();
  }
  // The generated source, compiled in, is the material of this build.
  EXPECT_NE(keyMaterialSource(builtInKeyMaterial(), "k").find("inline constexpr KeyMaterial k = {"),
            std::string::npos);
}

}  // namespace
}  // namespace calldir::codec

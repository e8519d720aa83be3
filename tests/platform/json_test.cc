#include "platform/json.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace calldir::platform {
namespace {

struct Seen {
  bool is_object;
  std::optional<std::string> number;
  std::optional<std::string> name;
  std::string raw;
};

std::vector<Seen> walk(JsonDocument& document) {
  std::vector<Seen> seen;
  static constexpr std::string_view kKeys[] = {"number", "name"};
  document.forEachElement(kKeys, [&](std::size_t index, const JsonElementView& e) {
    EXPECT_EQ(index, seen.size());
    Seen s{e.is_object, std::nullopt, std::nullopt, std::string(e.raw)};
    if (e.members[0]) s.number = std::string(*e.members[0]);
    if (e.members[1]) s.name = std::string(*e.members[1]);
    seen.push_back(s);
  });
  return seen;
}

TEST(JsonDocument, RefusesMalformedTextAndBareValues) {
  for (const char* text : {"",
                           "   ",
                           "42",
                           "\"text\"",
                           "true",
                           "null",
                           "[",
                           "[1,]",
                           "[1 2]",
                           "{\"a\":}",
                           "[] []",
                           "[]x",
                           "[01]",
                           "[1.]",
                           "[\"a\nb\"]",
                           "[\"\\q\"]",
                           "[tru]",
                           "{\"a\" 1}",
                           "[{\"number\":\"1\",}]",
                           "[\"\xFF\"]"}) {
    EXPECT_EQ(JsonDocument::parse(text), nullptr) << text;
  }
}

TEST(JsonDocument, AMalformedDocumentIsToldWithItsLineAndColumn) {
  auto where = [](const char* text) { return JsonDocument::read(text).status().message(); };
  EXPECT_NE(where("[\n{\"a\":\"1\"},\n]").find("(line 3, column 1: "), std::string::npos);
  EXPECT_NE(where("[\n{\"a\":\"\\ud800\"}\n]").find("(line 2, column "), std::string::npos);
  EXPECT_NE(where("[1] [2]").find("(line 1, column 5: more after the end"), std::string::npos);
  EXPECT_EQ(where("[\"a\xff\"]"), "it is not UTF-8 text");
}

TEST(JsonDocument, AcceptsArraysAndObjects) {
  auto array = JsonDocument::parse(" [1, -2.5e3, true, null, \"x\", [], {}] ");
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(array->kind(), JsonDocument::Kind::kArray);
  EXPECT_EQ(array->count(), 7u);
  auto object = JsonDocument::parse("{\"a\": 1, \"b\": [2]}");
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->kind(), JsonDocument::Kind::kObject);
  EXPECT_EQ(object->count(), 2u);
  EXPECT_TRUE(walk(*object).empty());
  auto empty = JsonDocument::parse("[            ]");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->count(), 0u);
}

TEST(JsonDocument, WalkGivesStringMembersAndRawText) {
  auto document = JsonDocument::parse(
      R"([{"number":"8210001","name":"A","x":1}, {"name":"B"}, 7, {"number":82,"name":null},)"
      R"( {"number":"8\u0032","name":"Caf\u00e9 \"q\""}, {"number":"1","number":"2"}, [1]])");
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(document->count(), 7u);
  const auto seen = walk(*document);
  ASSERT_EQ(seen.size(), 7u);
  EXPECT_TRUE(seen[0].is_object);
  EXPECT_EQ(seen[0].number, "8210001");
  EXPECT_EQ(seen[0].name, "A");
  EXPECT_EQ(seen[0].raw, R"({"number":"8210001","name":"A","x":1})");
  EXPECT_FALSE(seen[1].number);
  EXPECT_EQ(seen[1].name, "B");
  EXPECT_FALSE(seen[2].is_object);
  EXPECT_EQ(seen[2].raw, "7");
  EXPECT_FALSE(seen[3].number);  // not a string
  EXPECT_FALSE(seen[3].name);
  EXPECT_EQ(seen[4].number, "82");
  EXPECT_EQ(seen[4].name, "Caf\xC3\xA9 \"q\"");
  EXPECT_EQ(seen[5].number, "2");  // the last of repeated keys
  EXPECT_FALSE(seen[6].is_object);
  EXPECT_EQ(seen[6].raw, "[1]");
}

TEST(JsonDocument, NestedValuesAreSkippedAndKeptInTheRawText) {
  auto document = JsonDocument::parse(
      "[ {\"x\": {\"number\": \"9\", \"y\": [1, {}]}, \"number\": \"5\", \"name\": \"N\"} ,\n "
      "{\"n\\u0061me\": \"esc\"} ]");
  ASSERT_NE(document, nullptr);
  const auto seen = walk(*document);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].number, "5");
  EXPECT_EQ(seen[0].raw, "{\"x\": {\"number\": \"9\", \"y\": [1, {}]}, \"number\": \"5\", \"name\": \"N\"}");
  EXPECT_EQ(seen[1].name, "esc");  // a key written with an escape is the same key
  EXPECT_EQ(seen[1].raw, "{\"n\\u0061me\": \"esc\"}");
}

TEST(CompactJson, DropsInsignificantSpaceAndKeepsOrder) {
  EXPECT_EQ(compactJson("{ \"number\" : \"1 2\",\n \"name\" : \"a\" }"), R"({"number":"1 2","name":"a"})");
}

TEST(CheckJsonArray, NamesTheProblem) {
  EXPECT_TRUE(checkJsonArray("[]").ok());
  EXPECT_NE(checkJsonArray("{}").message().find("object"), std::string::npos);
  EXPECT_FALSE(checkJsonArray("[,]").ok());
  EXPECT_FALSE(checkJsonArray("\xFF").ok());
}

TEST(JsonDocument, WalkOnceAgreesWithParseAndTheWalk) {
  static constexpr std::string_view kKeys[] = {"number", "name"};
  const char* texts[] = {R"([{"number":"1","name":"a","x":[1,{"y":null}]},7,"s",{"name":"\u00e9"}])",
                         R"([{"number":"1"},{"number":"2","name":[1,2]}])",
                         "[ ]",
                         "[[[[1]]]  , [2] ]",  // fuzzing finds: raw array texts had trailing space,
                         R"([{"name":$4}])",   // and a member that is no value at all ended the process
                         R"({"number":"1","name":"a"})",
                         R"([{"number":"1","name":"a"},{"number":"2","name":"b"},{"x":tru}])",
                         R"([{"number":"1","name":"a"}] trailing)",
                         R"([{"number":"1","name":"a"},{"x":01}])",
                         "42"};
  for (const char* text : texts) {
    auto document = JsonDocument::parse(text);
    std::string copy = text;
    std::vector<std::string> once;
    const auto result = JsonDocument::walkOnce(copy, kKeys, [&](std::size_t, const JsonElementView& e) {
      once.push_back(std::string(e.raw) + "|" + std::string(e.members[0].value_or("-")) + "|" +
                     std::string(e.members[1].value_or("-")));
    });
    if (document == nullptr) {
      EXPECT_EQ(result, JsonDocument::WalkResult::kMalformed) << text;
      continue;
    }
    if (document->kind() == JsonDocument::Kind::kObject) {
      EXPECT_EQ(result, JsonDocument::WalkResult::kNotArray) << text;
      continue;
    }
    EXPECT_EQ(result, JsonDocument::WalkResult::kArray) << text;
    std::vector<std::string> twice;
    document->forEachElement(kKeys, [&](std::size_t, const JsonElementView& e) {
      twice.push_back(std::string(e.raw) + "|" + std::string(e.members[0].value_or("-")) + "|" +
                      std::string(e.members[1].value_or("-")));
    });
    EXPECT_EQ(once, twice) << text;
  }
  // A fault after two elements: the two were seen.
  std::string faulty = R"([{"number":"1","name":"a"},{"number":"2","name":"b"},{"x":tru}])";
  std::size_t seen = 0;
  EXPECT_EQ(JsonDocument::walkOnce(faulty, kKeys, [&](std::size_t, const JsonElementView&) { ++seen; }),
            JsonDocument::WalkResult::kMalformed);
  EXPECT_EQ(seen, 2u);
}

// Lists walked in many small pieces, with the shapes that could end a piece
// in the wrong place: "},{" inside names, escaped and not, in nested values
// and in elements that are arrays. Whole or damaged anywhere, walkOnce reads what a parse reads, and
// never visits an element twice.
TEST(JsonDocument, WalkOnceInPiecesReadsListsAsAParseDoes) {
  static constexpr std::string_view kKeys[] = {"number", "name"};
  constexpr std::size_t kPiece = 256;
  std::mt19937 random(5);
  std::string list = "[";
  for (int i = 0; list.size() < (48u << 10); ++i) {
    const std::string number = "\"8210" + std::to_string(20000000 + i) + "\"";
    switch (random() % 16) {  // a trap in four of sixteen, so that most pieces end well
      case 0:
        list += R"({"number":)" + number + R"(,"name":"a},{b"})";
        break;
      case 1:
        list += R"({"number":)" + number + R"(,"name":"},{\"number\":\"9\",\"name\":\"x\"}"})";
        break;
      case 2:
        list += R"({"number":)" + number + R"(,"name":"n","x":[{},{"y":[{},{}]}]})";
        break;
      case 3:
        list += R"([{"number":)" + number + R"(},{"name":"in an array"}])";
        break;
      default:
        list += R"({"number":)" + number + R"(,"name":"Caller )" + std::to_string(i) + "\"}";
    }
    list += (random() % 4 == 0) ? " ,\n " : ",";
  }
  list += R"({"number":"1","name":"last"}])";
  struct Element {
    std::size_t begin, end;  // of the element's text
    std::string name;
    bool operator==(const Element&) const = default;
  };
  auto walk = [&](const std::string& text, JsonDocument::WalkResult& result, std::size_t piece) {
    std::vector<Element> seen;
    std::string copy = text;
    result = JsonDocument::walkOnce(
        copy, kKeys,
        [&](std::size_t index, const JsonElementView& e) {
          EXPECT_EQ(index, seen.size());
          const auto begin = static_cast<std::size_t>(e.raw.data() - copy.data());
          seen.push_back({begin, begin + e.raw.size(), std::string(e.members[1].value_or("-"))});
        },
        piece);
    EXPECT_EQ(copy, text);  // left as it was
    return seen;
  };
  JsonDocument::WalkResult result;
  const auto whole = walk(list, result, kPiece);
  ASSERT_EQ(result, JsonDocument::WalkResult::kArray);
  auto document = JsonDocument::parse(list);
  ASSERT_NE(document, nullptr);
  std::vector<std::string> parsed;
  document->forEachElement(kKeys, [&](std::size_t, const JsonElementView& e) {
    parsed.push_back(std::string(e.raw) + "|" + std::string(e.members[1].value_or("-")));
  });
  ASSERT_EQ(whole.size(), parsed.size());
  for (std::size_t i = 0; i < whole.size(); ++i) {
    ASSERT_EQ(list.substr(whole[i].begin, whole[i].end - whole[i].begin) + "|" + whole[i].name, parsed[i]);
  }

  for (int trial = 0; trial < 300; ++trial) {
    std::string damaged = list;
    // Mostly the text's structure, which a piece's end could cut.
    const std::size_t at = damaged.find_first_of(",:{}", random() % (damaged.size() - 8));
    damaged[at] = "\"]},{x"[random() % 6];
    const auto seen = walk(damaged, result, kPiece);
    if (JsonDocument::parse(damaged) != nullptr) {
      EXPECT_EQ(result, JsonDocument::WalkResult::kArray) << at;
      continue;
    }
    EXPECT_EQ(result, JsonDocument::WalkResult::kMalformed) << at;
    // The elements before the fault, each once and in order: those the walk
    // in one piece sees, or (where the parser's first stage finds the
    // fault in the one piece) fewer.
    JsonDocument::WalkResult in_one;
    const auto one = walk(damaged, in_one, damaged.size());
    EXPECT_EQ(in_one, JsonDocument::WalkResult::kMalformed) << at;
    const auto& shorter = seen.size() < one.size() ? seen : one;
    const auto& longer = seen.size() < one.size() ? one : seen;
    for (std::size_t i = 0; i < shorter.size(); ++i) ASSERT_EQ(shorter[i], longer[i]) << at;
    for (std::size_t i = 0; i < seen.size() && seen[i].end <= at; ++i) ASSERT_EQ(seen[i], whole[i]) << at;
  }
}

}  // namespace
}  // namespace calldir::platform

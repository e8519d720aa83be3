#include "lists/csv.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "cli/cli_test.h"
#include "lists/list_writer.h"
#include "lists/text_encoding.h"
#include "test_util.h"

namespace calldir::lists {
namespace {

CsvList csv(const std::string& text, CsvColumns columns = {}, std::string encoding = "") {
  auto list = csvToList(text, {std::move(columns), std::move(encoding)});
  EXPECT_TRUE(list.ok()) << list.status().message();
  return std::move(list).valueOr({});
}

std::string refusal(const std::string& text, CsvColumns columns = {}, std::string encoding = "") {
  auto list = csvToList(text, {std::move(columns), std::move(encoding)});
  EXPECT_EQ(list.status().kind(), base::Status::Kind::kInvalidArgument);
  return list.status().message();
}

// What calldir writes as CSV a spreadsheet shows and never runs, and
// calldir reads back exactly; a spreadsheet's own apostrophes stay.
TEST(Csv, FormulasAreWrittenInertAndReadBackExactly) {
  const std::string pieces[] = {"=", "+", "-", "@", "\t", "\r", "'", "a", "HYPERLINK(\"x\")", " ", "1"};
  std::mt19937 random(11);
  for (int trial = 0; trial < 3000; ++trial) {
    std::string name;
    for (auto n = 1 + random() % 4; n > 0; --n) name += pieces[random() % std::size(pieces)];
    std::string text(kCsvHeader);
    appendCsvRow(text, "+82 10 1234 5678", name);
    // The field's text, after its opening quote, never begins a formula.
    const std::string field = text.substr(text.find(",\"", kCsvHeader.size()) + 2);
    EXPECT_FALSE(looksLikeFormula(field) && field[0] != '\'') << name;
    const CsvList list = csv(text);
    std::string expected = "[\n";
    appendElement(expected, "+82 10 1234 5678", name);
    EXPECT_EQ(list.plain, expected + "\n]\n") << name;
  }
  EXPECT_NE(csv("Phone,Name\n1,'s Hertogenbosch\n").plain.find("\"'s Hertogenbosch\""), std::string::npos);
}

TEST(Csv, SpreadsheetExportsBecomeListsWithEveryFieldWholeAndItsLine) {
  const std::string export_csv =
      "\xEF\xBB\xBFPhone,Name,Note\r\n821000000001,\"Kim, Dr.\",x\r\n821000000002,\"Say \"\"hi\"\"\",\r\n"
      "821000000003,\"two\r\nlines\",\r\n821000000004\r\n";
  const CsvList list = csv(export_csv);
  EXPECT_EQ(
      list.plain,
      "[\n{\"number\":\"821000000001\",\"name\":\"Kim, Dr.\"},\n{\"number\":\"821000000002\",\"name\":\"Say "
      "\\\"hi\\\"\"},\n{\"number\":\"821000000003\",\"name\":\"two\\r\\nlines\"},\n{\"number\":"
      "\"821000000004\"}\n]\n");
  EXPECT_EQ(list.lines, (std::vector<std::size_t>{2, 3, 4, 6}));
  EXPECT_NE(csv(export_csv, {"Phone", "Note"}).plain.find("\"name\":\"x\""), std::string::npos);
  EXPECT_EQ(refusal(export_csv, {"Telephone", "Name"}),
            "the CSV has no column \"Telephone\"; its columns are \"Phone\", \"Name\", \"Note\"");
  EXPECT_EQ(refusal(export_csv, {"99999999999999999999", "2"}),
            "the column 99999999999999999999 is out of range");
  EXPECT_NE(csv("821000000009,no header\n").plain.find("821000000009"), std::string::npos);  // digits: data
}

TEST(Csv, SyntaxErrorsAndForeignEncodingsSayWhere) {
  EXPECT_EQ(refusal("number,name\n1,a\n2,b\"c\n3,d\n").rfind("the CSV does not parse at line 3, record 3", 0),
            0u);
  EXPECT_EQ(
      refusal("number,name\n1,a\n2,\"open\n3,d\n").rfind("the CSV does not parse at line 3, record 3", 0),
      0u);
  // A Korean spreadsheet's plain CSV is CP949: refused with where, or read when named.
  const std::string cp949 = "number,name\n821012345678,\xB1\xE8\xC3\xB6\xBC\xF6\n";
  EXPECT_EQ(
      refusal(cp949).rfind("the CSV is not UTF-8 at byte 26, line 2; export it again as UTF-8, or name", 0),
      0u)
      << refusal(cp949);
  EXPECT_NE(csv(cp949, {}, "cp949").plain.find("\"name\":\"\xEA\xB9\x80\xEC\xB2\xA0\xEC\x88\x98\""),
            std::string::npos);
  EXPECT_NE(csv("1,Zo\xEB\n", {}, "windows-1252").plain.find("Zo\xC3\xAB"), std::string::npos);
  EXPECT_NE(refusal("1,a\n", {}, "no-such-encoding").find("no encoding is named \"no-such-encoding\""),
            std::string::npos);
  EXPECT_NE(refusal("1,\x80\x20\n", {}, "shift_jis").find("is not shift_jis at byte 3, line 1"),
            std::string::npos);
}

TEST(TextEncoding, EveryDocumentedNameReadsWhatItsWritersMean) {
  struct Case {
    const char* names;  // the spellings accepted for one encoding
    std::string bytes, utf8;
  };
  const Case cases[] = {
      // 0x8141 is only in Windows' Unified Hangul Code; IBM's code page 949 lacks it.
      {"cp949 CP949 ms949 uhc windows-949", "\x81\x41\xC7\xD1", "\xEA\xB0\x82\xED\x95\x9C"},
      {"euc-kr EUC-KR euc_kr", "\xC7\xD1\xB1\xDB", "\xED\x95\x9C\xEA\xB8\x80"},
      {"shift_jis SHIFT_JIS sjis", "\x82\xA0", "\xE3\x81\x82"},
      {"gb18030 GB18030", "\x81\x30\x81\x30", "\xC2\x80"},
      {"windows-1252 cp1252", "Zo\xEB \x80", "Zo\xC3\xAB \xE2\x82\xAC"},
      {"utf-16 UTF-16",
       std::string("\xFF\xFE"
                   "a\0\x5C\xD5",
                   6),
       "a\xED\x95\x9C"},
  };
  for (const Case& c : cases) {
    std::istringstream names(c.names);
    for (std::string name; names >> name;) {
      auto utf8 = convertToUtf8(c.bytes, name, "it");
      ASSERT_TRUE(utf8.ok()) << name << ": " << utf8.status().message();
      EXPECT_EQ(*utf8, c.utf8) << name;
    }
  }
  // Longer than one piece of the conversion, a surrogate pair across the seam.
  std::string utf16 = std::string(
                  "\xFF\xFE"
                  "a\0",
                  4),
              expected = "a";
  for (int i = 0; i < 20000; ++i) utf16.append("\x3D\xD8\x00\xDE", 4), expected += "\xF0\x9F\x98\x80";
  auto long_text = convertToUtf8(utf16, "utf-16", "it");
  ASSERT_TRUE(long_text.ok()) << long_text.status().message();
  EXPECT_TRUE(*long_text == expected);
  // Where a text stops being what it is said to be: a truncated last
  // character, half of a UTF-16 surrogate pair.
  EXPECT_EQ(convertToUtf8("ok\n\xC7", "euc-kr", "it").status().message(),
            "it is not euc-kr at byte 4, line 2");
  EXPECT_NE(convertToUtf8(std::string("\xFF\xFE\x3D\xD8", 4), "utf-16", "it")
                .status()
                .message()
                .find("it is not utf-16"),
            std::string::npos);
  EXPECT_EQ(checkUtf8("a\nb\xC3(", "it").message(), "it is not UTF-8 at byte 4, line 2");
  EXPECT_EQ(checkUtf8("\xED\xA0\x80", "it").message(), "it is not UTF-8 at byte 1, line 1");  // a surrogate
}

using CsvCommands = cli::CliTest;

TEST_F(CsvCommands, CsvRoundTripsThroughListTextsAndTheStore) {
  const std::string csv =
      "number,name\r\n\"821000000001\",\"Kim, Dr.\"\r\n\"821000000002\",\"Say \"\"hi\"\"\"\r\n"
      "\"821000000003\",\"two\nlines\"\r\n";
  testing::writeFile(dir.file("export.csv"), csv);
  ASSERT_EQ(
      calldir("list encode --from csv " + dir.file("export.csv") + " -o " + dir.file("list.txt")).status, 0)
      << err();
  EXPECT_EQ(calldir("list decode --to csv " + dir.file("list.txt")).out, csv);
  ASSERT_EQ(calldir("init").status, 0);
  ASSERT_EQ(calldir("enable").status, 0);
  ASSERT_EQ(calldir("bundle put-resource " + dir.file("list.txt")).status, 0);
  ASSERT_EQ(calldir("app restore --reload").status, 0);
  EXPECT_EQ(calldir("entries --csv").out, csv);
  // The store as a plain list encodes back into the same list.
  ASSERT_EQ(calldir("entries --list | " + std::string(CALLDIR_BINARY) + " list encode - -o " +
                    dir.file("again.txt"))
                .status,
            0);
  EXPECT_EQ(calldir("list decode --to csv " + dir.file("again.txt")).out, csv);
  // Numbers as people type them.
  EXPECT_EQ(calldir("lookup '+82 10 0000 0001'").out.substr(0, 13), "821000000001\t");
  EXPECT_EQ(calldir("lookup --region KR 010-0000-0001").out.substr(0, 13), "821000000001\t");
  EXPECT_EQ(calldir("lookup 821-000-000-001").status, 2);
  EXPECT_NE(err().find("--region"), std::string::npos);
  // A miss says why when another reading of the number has a label.
  EXPECT_EQ(calldir("lookup 01000000001").status, 1);
  EXPECT_NE(
      err().find("01000000001 can never be an international number (no country code begins with 0); with "
                 "--region KR it is 821000000001, which shows \"Kim, Dr.\""),
      std::string::npos)
      << err();
  const auto piped = testing::runCommand("printf '821000000002\\n\\n+82 10 0000 0003\\r\\n' | " +
                                         std::string(CALLDIR_BINARY) + " --root " + root + " lookup -");
  EXPECT_EQ(piped.status, 0);
  EXPECT_EQ(piped.out, "821000000002\tSay \"hi\"\n821000000003\ttwo\\nlines\n");
  // A line that reads as no number is answered in its place, and a
  // byte-order mark before the first line is no part of it.
  const std::string batch = "printf '\\357\\273\\277821000000002\\nNOT AVAILABLE\\n821099999999\\n' | " +
                            std::string(CALLDIR_BINARY) + " --root " + root + " lookup ";
  const auto text = testing::runCommand(batch + "- 2>/dev/null");
  EXPECT_EQ(text.status, 2);
  EXPECT_EQ(text.out, "821000000002\tSay \"hi\"\nNOT AVAILABLE\t(unreadable)\n821099999999\t(no label)\n");
  const auto json = testing::runCommand(batch + "--json - 2>/dev/null");
  EXPECT_EQ(json.status, 2);
  EXPECT_NE(json.out.find("{\"input\": \"NOT AVAILABLE\", \"number\": null, \"labels\": [], \"hint\": null, "
                          "\"error\": "),
            std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("\"number\": 821099999999"), std::string::npos);
}

}  // namespace
}  // namespace calldir::lists

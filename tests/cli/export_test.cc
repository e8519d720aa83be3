// The producer's workflow on a real-looking spreadsheet export, through the
// command: every number read one way, every problem told by its CSV line,
// and nothing left out without a word.
#include <gtest/gtest.h>
#include <simdjson.h>

#include "cli/cli_test.h"
#include "codec/text_decoding.h"
#include "test_util.h"

namespace calldir::cli {
namespace {

// A header row, a byte order mark, CRLF, quoted fields with commas and
// doubled quotes, Hangul, numbers as people write them, junk, a repeat and a
// number with three names.
const std::string kExport =
    "\xEF\xBB\xBF"
    "Name,Phone,Memo\r\n"                                         // line 1
    "\"Kim, Dr.\",010-1234-5678,\r\n"                             // 2
    "\xEA\xB9\x80\xEC\xB2\xA0\xEC\x88\x98,+82 10-2345-6789,\r\n"  // 3
    "City Hall,(02) 123-4567,\"says \"\"hi\"\"\"\r\n"             // 4
    "Dropped zero,1012345670,\r\n"                                // 5
    "Nobody,N/A,\r\n"                                             // 6
    "Exponent,8.21012E+11,\r\n"                                   // 7
    "New York,12125550100,\r\n"                                   // 8
    "Masked,010-****-1234,\r\n"                                   // 9
    "Pizza,01034567890,\r\n"                                      // 10
    "Pizza Napoli,010-3456-7890,\r\n"                             // 11
    "Kim again,010-1234-5678,\r\n"                                // 12
    "\"Kim, Dr.\",01012345678,\r\n"                               // 13
    ",,\r\n";                                                     // 14

class ExportTest : public CliTest {
 protected:
  void SetUp() override { testing::writeFile(dir.file("export.csv"), kExport); }
  std::string columns() const { return " --from csv --number-column Phone --name-column Name "; }
};

TEST_F(ExportTest, CheckFixAndCheckAgainAgreeAndTellCsvLines) {
  auto r = calldir("list check --region KR" + columns() + dir.file("export.csv"));
  EXPECT_EQ(r.status, 1);
  for (const char* told : {"element 5 (line 6): not_positive", "element 8 (line 9): doubtful",
                           "element 6 (line 7): not_international", "element 13 (line 14): no_number"}) {
    EXPECT_NE(r.out.find(told), std::string::npos) << told << " in\n" << r.out;
  }
  EXPECT_EQ(r.out.find("New York"), std::string::npos);  // 12125550100 is read as written
  r = calldir("list fix --region KR --on-conflict last --json -o " + dir.file("fixed.json") + columns() +
              dir.file("export.csv"));
  ASSERT_EQ(r.status, 0) << err();
  simdjson::dom::parser parser;
  simdjson::dom::element report;
  ASSERT_EQ(parser.parse(r.out).get(report), simdjson::SUCCESS) << r.out;
  const auto conflicts = report["conflict_list"].get_array().value();
  ASSERT_EQ(conflicts.size(), 2u) << r.out;
  const auto kim = conflicts.at(0);
  EXPECT_EQ(kim["number"].get_int64().value(), 821012345678);
  EXPECT_EQ(kim["names"].get_array().value().size(), 2u);
  EXPECT_EQ(kim["names"].at(0)["lines"].at(1).get_int64().value(), 13);
  EXPECT_EQ(std::string_view(kim["kept"]), "Kim, Dr.");
  EXPECT_EQ(report["dropped"]["doubtful"].get_int64().value(), 1);
  EXPECT_EQ(calldir("list check --region KR " + dir.file("fixed.json")).status, 0) << err();
  EXPECT_EQ(calldir("list check --region KR --json " + dir.file("fixed.json")).out.find("reads_differently"),
            std::string::npos);
  EXPECT_NE(
      testing::readFile(dir.file("fixed.json")).find("{\"number\":\"12125550100\",\"name\":\"New York\"}"),
      std::string::npos);
}

TEST_F(ExportTest, EveryRowNotWrittenCanBeNamed) {
  // 30 placeholders more than text output lists, beside the export's own problems.
  std::string csv = kExport;
  for (int i = 0; i < 30; ++i) csv += "Unknown " + std::to_string(i) + ",000-000-0000\r\n";
  testing::writeFile(dir.file("big.csv"), csv);
  const std::string fix = "list fix --region KR --on-conflict last" + columns() + dir.file("big.csv") +
                          " -o " + dir.file("fixed.json");
  ASSERT_EQ(calldir(fix + " --rejects " + dir.file("rejects.csv")).status, 0) << err();
  EXPECT_NE(err().find("more dropped (doubtful): --rejects FILE or --json lists every one"),
            std::string::npos)
      << err();
  // Every element read is written or named as a reject, once.
  const std::string rejects = testing::readFile(dir.file("rejects.csv"));
  EXPECT_EQ(rejects.rfind("element,line,code,text,reading\r\n", 0), 0u);
  EXPECT_NE(rejects.find("\r\n43,44,doubtful,\"000-000-0000\",\"82000000000\"\r\n"), std::string::npos)
      << rejects;
  EXPECT_NE(rejects.find(",repeat,\"821012345678\",\"821012345678\"\r\n"), std::string::npos) << rejects;
  EXPECT_NE(rejects.find(",conflict,\"821034567890\",\"821034567890\"\r\n"), std::string::npos) << rejects;
  std::size_t rows = 0;
  for (char c : rejects) rows += c == '\n';
  simdjson::dom::parser parser;
  simdjson::dom::element report;
  const auto json = calldir(fix + " --json");
  ASSERT_EQ(parser.parse(json.out).get(report), simdjson::SUCCESS) << json.out;
  EXPECT_EQ(rows - 1 + report["written"].get_uint64().value(), report["elements"].get_uint64().value());
  std::size_t doubtful = 0;
  for (auto problem : report["problems"].get_array())
    doubtful += std::string_view(problem["code"]) == "doubtful";
  EXPECT_EQ(doubtful, report["dropped"]["doubtful"].get_uint64().value());
  EXPECT_GE(doubtful, 30u);
  // So does the check: every problem in JSON, and text says what it left out.
  const auto check = calldir("list check --region KR --json" + columns() + dir.file("big.csv"));
  ASSERT_EQ(parser.parse(check.out).get(report), simdjson::SUCCESS) << check.out;
  std::size_t counted = 0;
  for (auto [code, count] : report["counts"].get_object()) counted += count.get_uint64().value();
  EXPECT_EQ(report["problems"].get_array().size(), counted);
  EXPECT_NE(calldir("list check --region KR" + columns() + dir.file("big.csv"))
                .out.find("not listed: --json lists every one"),
            std::string::npos);
}

// Ten digits alone under US: a number in Alabama, or E.164 digits of one in
// Egypt. The region's reading is taken, and both are told.
TEST_F(ExportTest, DigitsWithTwoReadingsAreToldAndReadAsTheRegionDoes) {
  testing::writeFile(dir.file("us.csv"), "Name,Phone\r\nHospital,2057590750\r\n");
  const std::string input = " --from csv --number-column Phone --name-column Name " + dir.file("us.csv");
  auto r = calldir("list check --region US" + input);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(
      r.out.find("ambiguous: \"2057590750\" reads two ways: 12057590750 as written in US, or 2057590750 "
                 "as E.164 digits (a number in EG)"),
      std::string::npos)
      << r.out;
  ASSERT_EQ(calldir("list fix --region US" + input + " -o " + dir.file("fixed.json")).status, 0);
  EXPECT_NE(err().find("1 ambiguous number(s) written as read in the region"), std::string::npos) << err();
  EXPECT_NE(testing::readFile(dir.file("fixed.json")).find("\"12057590750\""), std::string::npos);
  ASSERT_EQ(
      calldir("list fix --region US --digits-as-written" + input + " -o " + dir.file("e164.json")).status, 0);
  EXPECT_NE(testing::readFile(dir.file("e164.json")).find("\"2057590750\""), std::string::npos);
  // lookup names both readings and what each shows.
  testing::writeFile(
      dir.file("both.json"),
      R"([{"number":"2057590750","name":"Cairo"},{"number":"12057590750","name":"Hospital"}])");
  ASSERT_EQ(calldir("init").status, 0);
  ASSERT_EQ(calldir("enable").status, 0);
  ASSERT_EQ(calldir("bundle put-resource " + dir.file("both.json")).status, 0);
  ASSERT_EQ(calldir("app restore --reload").status, 0);
  r = calldir("lookup --region US 2057590750");
  EXPECT_EQ(r.out, "12057590750\tHospital\n");
  EXPECT_NE(err().find("2057590750 shows \"Cairo\""), std::string::npos) << err();
  r = calldir("lookup --json --region US 2057590750");
  EXPECT_NE(r.out.find("\"other_reading\": {\"number\": 2057590750, \"labels\": [\"Cairo\"]}"),
            std::string::npos)
      << r.out;
}

TEST_F(ExportTest, DiffReadsCsvAsFixDoesAndDecodeSaysWhatHasNoRow) {
  testing::writeFile(dir.file("old.csv"), "Phone,Name\n010-1111-2222,A\n+82 10-3333-4444,B\n");
  testing::writeFile(dir.file("new.csv"), "Phone,Name\n01011112222,A\n010-5555-6666,C\n");
  // No region: the national numbers cannot be read; the diff goes on without
  // them, says how many it left out and names each with its line.
  auto r = calldir("list diff --from csv --number-column Phone --name-column Name " + dir.file("old.csv") +
                   " " + dir.file("new.csv") + " --plain --del " + dir.file("del.json") + " --add " +
                   dir.file("add.json") + " --rejects " + dir.file("rejects.csv"));
  EXPECT_EQ(r.status, 0) << err();
  EXPECT_NE(err().find("1 element(s) of " + dir.file("old.csv") + " left out (1 not_international)"),
            std::string::npos)
      << err();
  EXPECT_NE(testing::readFile(dir.file("rejects.csv"))
                .find("\r\nold,1,2,not_international,\"010-1111-2222\",\"\"\r\n"),
            std::string::npos)
      << testing::readFile(dir.file("rejects.csv"));
  r = calldir("list diff --region KR --from csv --number-column Phone --name-column Name " +
              dir.file("old.csv") + " " + dir.file("new.csv") + " --plain --del " + dir.file("del.json") +
              " --add " + dir.file("add.json"));
  ASSERT_EQ(r.status, 0) << err();
  EXPECT_EQ(testing::readFile(dir.file("del.json")), "[\n{\"number\":\"821033334444\"}\n]\n");
  EXPECT_EQ(testing::readFile(dir.file("add.json")), "[\n{\"number\":\"821055556666\",\"name\":\"C\"}\n]\n");

  testing::writeFile(
      dir.file("list.txt"),
      codec::encodeListText(R"([{"number":"821012345678","name":"A"},{"number":"821012345679"},)"
                            R"({"name":"B"},7,{"number":"821012345670","name":"C"}])"));
  r = calldir("list decode --to csv " + dir.file("list.txt"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "number,name\r\n\"821012345678\",\"A\"\r\n\"821012345670\",\"C\"\r\n");
  EXPECT_NE(err().find("3 of 5 element(s) written as no row (1 not an object, 1 without a name, 1 without a "
                       "number)"),
            std::string::npos)
      << err();
}

}  // namespace
}  // namespace calldir::cli

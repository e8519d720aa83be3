#include "lists/csv.h"

#include <gtest/gtest.h>

#include "cli/cli_test.h"
#include "test_util.h"

namespace calldir::lists {
namespace {

TEST(Csv, SpreadsheetExportsBecomeListsWithEveryFieldWhole) {
  const std::string csv =
      "\xEF\xBB\xBFPhone,Name,Note\r\n821000000001,\"Kim, Dr.\",x\r\n821000000002,\"Say \"\"hi\"\"\",\r\n"
      "821000000003,\"two\r\nlines\",\r\n821000000004\r\n";
  auto converted = csvToList(csv, {});
  ASSERT_TRUE(converted.ok());
  EXPECT_EQ(
      *converted,
      "[\n{\"number\":\"821000000001\",\"name\":\"Kim, Dr.\"},\n{\"number\":\"821000000002\",\"name\":\"Say "
      "\\\"hi\\\"\"},\n{\"number\":\"821000000003\",\"name\":\"two\\r\\nlines\"},\n{\"number\":"
      "\"821000000004\"}\n]\n");
  EXPECT_NE(csvToList(csv, {"Phone", "Note"}).valueOr("").find("\"name\":\"x\""), std::string::npos);
  EXPECT_EQ(csvToList(csv, {"Telephone", "Name"}).status().kind(), base::Status::Kind::kInvalidArgument);
  EXPECT_EQ(csvToList("1,\"unclosed\r\n", {}).status().kind(), base::Status::Kind::kInvalidArgument);
  EXPECT_EQ(csvToList(csv, {"99999999999999999999", "2"}).status().kind(),
            base::Status::Kind::kInvalidArgument);
  // A first row with digits is data.
  EXPECT_NE(csvToList("821000000009,no header\n", {}).valueOr("").find("821000000009"), std::string::npos);
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
}

}  // namespace
}  // namespace calldir::lists

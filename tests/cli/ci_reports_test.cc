// `list check --format github|sarif`: problems a CI system shows on their
// file and line. The SARIF log is read back for what SARIF 2.1.0 requires;
// the annotations follow the workflow command syntax.
#include <gtest/gtest.h>
#include <simdjson.h>

#include <regex>
#include <set>
#include <sstream>

#include "cli/commands/list_check.h"
#include "lists/problem_codes.h"
#include "test_util.h"

namespace calldir::cli {
namespace {

class CiReports : public ::testing::Test {
 protected:
  std::string check(const std::string& format, const std::string& file, bool from_csv) {
    ListCheckOptions options;
    options.input = file;
    options.output = format;
    options.format.from_csv = from_csv;
    options.format.csv.columns = {"number", "name"};
    std::istringstream in;
    std::ostringstream out, err;
    Io io{in, out, err};
    status = runListCheck(options, io);
    return out.str();
  }

  // A list with problems on lines 3 and 4 (an unreadable number, then one
  // out of order) as plain JSON, and the same rows as CSV (lines 3 and 4,
  // after a header and a first row).
  void SetUp() override {
    testing::writeFile(json,
                       "[\n{\"number\":\"821012345678\",\"name\":\"A\"},\n"
                       "{\"number\":\"821012345679 (mobile)\",\"name\":\"B, \\\"quoted\\\"\"},\n"
                       "{\"number\":\"821012345670\",\"name\":\"C\"}\n]\n");
    testing::writeFile(csv,
                       "number,name\n821012345678,A\n821012345679 (mobile),\"B, \"\"quoted\"\"\"\n"
                       "821012345670,C\n");
  }

  testing::TempDir dir;
  std::string json = dir.file("my list.json");
  std::string csv = dir.file("my list.csv");
  int status = -1;
};

TEST_F(CiReports, SarifHoldsWhatSarifRequires) {
  for (const bool from_csv : {false, true}) {
    const std::string text = check("sarif", from_csv ? csv : json, from_csv);
    EXPECT_EQ(status, 1);
    simdjson::dom::parser parser;
    simdjson::dom::element log;
    ASSERT_EQ(parser.parse(text).get(log), simdjson::SUCCESS) << text;
    EXPECT_EQ(std::string_view(log["version"]), "2.1.0");
    simdjson::dom::element run = log["runs"].at(0);
    EXPECT_EQ(std::string_view(run["tool"]["driver"]["name"]), "calldir");
    std::set<std::string_view> rules;
    for (simdjson::dom::element rule : simdjson::dom::array(run["tool"]["driver"]["rules"])) {
      rules.insert(std::string_view(rule["id"]));
    }
    for (const lists::ProblemKind& kind : lists::kProblemKinds)
      EXPECT_TRUE(rules.count(kind.name)) << kind.name;
    std::vector<std::pair<std::string_view, std::int64_t>> found;  // rule and line
    for (simdjson::dom::element result : simdjson::dom::array(run["results"])) {
      const std::string_view rule = result["ruleId"];
      EXPECT_TRUE(rules.count(rule)) << rule;
      const std::string_view level = result["level"];
      EXPECT_TRUE(level == "warning" || level == "error") << level;
      EXPECT_FALSE(std::string_view(result["message"]["text"]).empty());
      simdjson::dom::element where = result["locations"].at(0)["physicalLocation"];
      EXPECT_TRUE(std::string_view(where["artifactLocation"]["uri"])
                      .ends_with("/my%20list." + std::string(from_csv ? "csv" : "json")));
      found.emplace_back(rule, std::int64_t(where["region"]["startLine"]));
    }
    EXPECT_EQ(found, (std::vector<std::pair<std::string_view, std::int64_t>>{{"unreadable_number", 3},
                                                                             {"out_of_order", 4}}))
        << text;
  }
}

TEST_F(CiReports, GithubAnnotationsFollowTheWorkflowCommandSyntax) {
  const std::regex annotation(R"(::(warning|error) file=([^,:]+),line=([0-9]+),title=([a-z_]+)::[^\r\n]+)");
  for (const bool from_csv : {false, true}) {
    std::istringstream lines(check("github", from_csv ? csv : json, from_csv));
    std::vector<std::string> seen;
    for (std::string line; std::getline(lines, line);) {
      std::smatch m;
      ASSERT_TRUE(std::regex_match(line, m, annotation)) << line;
      EXPECT_EQ(m[2], (from_csv ? csv : json));
      seen.push_back(m[1].str() + " " + m[3].str() + " " + m[4].str());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"warning 3 unreadable_number", "error 4 out_of_order"}));
  }
  // A list that does not parse is one error on the file; a comma or colon in
  // its name is escaped as a property value.
  const std::string broken = dir.file("a,b:c.json");
  testing::writeFile(broken, "[{\"number\":\"821012345678\",\"name\":\"A\"},");
  const std::string text = check("github", broken, false);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(text.rfind("::error file=" + dir.file("a%2Cb%3Ac.json") + ",title=not_a_list::", 0), 0u) << text;
}

}  // namespace
}  // namespace calldir::cli

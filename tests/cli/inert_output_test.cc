// Text output is inert: nothing from a list, a setting or a file name can
// move the cursor, set a terminal's title, reorder a line on screen, or make
// one label read as two.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "cli/cli_test.h"
#include "cli/common/io.h"

namespace calldir::cli {
namespace {

// What a terminal would act on: C0 controls but the line feed that ends a
// line (and, in a command's output, the tab between columns and the CR of a
// CSV's CRLF), DEL, C1 controls and the reordering marks (as UTF-8).
bool actsOnATerminal(std::string_view text, bool columns = false) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool separator = columns && (c == '\t' || (c == '\r' && text.substr(i + 1).starts_with('\n')));
    if ((c < 0x20 && c != '\n' && !separator) || c == 0x7F) return true;
    const std::string_view rest = text.substr(i);
    if (c == 0xC2 && rest.size() > 1 && static_cast<unsigned char>(rest[1]) <= 0x9F) return true;
    for (const char* mark : {"\u202A", "\u202B", "\u202C", "\u202D", "\u202E", "\u2066", "\u2067", "\u2068",
                             "\u2069", "\u200E", "\u200F", "\u061C"}) {
      if (rest.starts_with(mark)) return true;
    }
  }
  return false;
}

// How many labels a reader finds in labelsForLine's text.
std::size_t labelsIn(std::string_view line) {
  if (!line.starts_with('"')) return 1;
  std::size_t count = 0;
  for (std::size_t i = 0; i < line.size();) {
    EXPECT_EQ(line[i], '"') << line;
    for (++i; i < line.size() && line[i] != '"'; ++i) i += line[i] == '\\';
    ++count;
    i += 1 + (line.substr(i + 1).starts_with(" | ") ? 3 : 0);
  }
  return count;
}

TEST(InertOutput, NoTextReachesTheTerminalAsControlAndNoLabelReadsAsTwo) {
  const std::vector<std::string> pieces = {"a",      "|",      " | ",          "\"",   "\\",       "\n",
                                           "\r",     "\t",     "\x1b]0;x\x07", "\x7f", "\xc2\x85", "\u202e",
                                           "\u2066", "\ufeff", "\u200d",       "Kim"};
  std::mt19937 random(3);
  for (int trial = 0; trial < 2000; ++trial) {
    std::vector<std::string> labels(1 + random() % 3);
    for (std::string& label : labels) {
      for (auto n = random() % 6; n > 0; --n) label += pieces[random() % pieces.size()];
    }
    const std::string line = labelsForLine(labels);
    EXPECT_FALSE(actsOnATerminal(line)) << line;
    EXPECT_EQ(labelsIn(line), labels.size()) << line;
    EXPECT_FALSE(actsOnATerminal(escapeForLine(labels[0])));
    // Messages: inert, invisible characters named, and escaping twice changes nothing.
    const std::string message = inertText(labels[0]);
    EXPECT_FALSE(actsOnATerminal(message));
    EXPECT_EQ(message.find("\ufeff"), std::string::npos);
    EXPECT_EQ(inertText(message), message);
  }
  EXPECT_EQ(inertText("\"\ufeff821012345678\" is no number"), "\"<U+feff>821012345678\" is no number");
}

using InertCommandsTest = CliTest;

TEST_F(InertCommandsTest, ListsAndSettingsCannotDriveTheTerminal) {
  ASSERT_EQ(calldir("init").status, 0);
  ASSERT_EQ(calldir("enable").status, 0);
  testing::writeFile(dir.file("list.json"),
                     "[{\"number\":\"821012345671\",\"name\":\"x\\r821012345677\\tPolice\"},"
                     "{\"number\":\"821012345672\",\"name\":\"\\u001b]0;title\\u0007\\u202eevil\"}]");
  ASSERT_EQ(calldir("bundle put-resource " + dir.file("list.json")).status, 0);
  ASSERT_EQ(calldir("app restore --reload").status, 0);
  ASSERT_EQ(calldir("settings set K $'\\x1b[2K'").status, 0);
  for (const char* command : {"entries", "lookup 821012345671 821012345672", "settings list",
                              "status --explain", "why 821012345672", "list check " /* the list */}) {
    std::string args = command;
    if (args == "list check ") args += dir.file("list.json");
    const auto r = calldir(args);
    EXPECT_FALSE(actsOnATerminal(r.out, true)) << command << ": " << r.out;
    EXPECT_FALSE(actsOnATerminal(err())) << command << ": " << err();
  }
  EXPECT_EQ(calldir("entries").out,
            "821012345671\tx\\r821012345677\\tPolice\n821012345672\t\\x1b]0;title\\x07\\u202eevil\n");
}

}  // namespace
}  // namespace calldir::cli

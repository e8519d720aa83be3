#include "handler/status_lines.h"

#include <gtest/gtest.h>

#include <random>

namespace calldir::handler {
namespace {

// Random texts of the characters a status field may hold, "]" and "[" among
// them, without the "] [" that makes a line read two ways.
std::string randomField(std::mt19937& random) {
  static const std::string kAlphabet = "aZ09 -:+[]{}\"\\\xC3\xA9";
  std::string out;
  for (int n = std::uniform_int_distribution<int>(0, 12)(random); n > 0; --n) {
    out += kAlphabet[std::uniform_int_distribution<std::size_t>(0, kAlphabet.size() - 1)(random)];
    if (out.size() >= 3 && out.compare(out.size() - 3, 3, "] [") == 0) out.pop_back();
  }
  return out;
}

TEST(StatusLines, EveryLineParsesBackToWhatWasFormatted) {
  std::mt19937 random(5);
  const std::string time = "2026-12-08 23:35:45 +0000";
  for (int round = 0; round < 300; ++round) {
    const std::string a = randomField(random), b = randomField(random);
    const auto n = std::uniform_int_distribution<std::uint64_t>(0, 1u << 30)(random);
    for (const IncrementalLine& line :
         {IncrementalLine{true, a, b, time}, IncrementalLine{false, a, "", time}}) {
      EXPECT_EQ(IncrementalLine::parse(line.format()), line) << line.format();
    }
    for (const RestoreLine& line :
         {RestoreLine::began(time, a), RestoreLine::noData(time), RestoreLine::found(time),
          RestoreLine::applied(time, time, static_cast<std::int64_t>(n / 2), n, a)}) {
      EXPECT_EQ(RestoreLine::parse(line.format()), line) << line.format();
    }
    const ElementLine element{n / 3, n, "{\"number\":\"" + a + "\"}"};
    EXPECT_EQ(ElementLine::parse(element.format()), element);
    const ErrorLine error{platform::CallDirectoryError{.code = static_cast<int>(n % 200), .reason = a + b}};
    EXPECT_EQ(ErrorLine::parse(error.format()), error);
  }
}

TEST(StatusLines, TheFormatsAreTheExtensionsAndOtherTextIsNoLine) {
  EXPECT_EQ((IncrementalLine{true, "N", "END", "t"}).format(), "YES [N] [END] [t]");
  EXPECT_EQ((IncrementalLine{false, "Y", "", "t"}).format(), "NO [Y] [t]");
  EXPECT_EQ(RestoreLine::began("t", "START").format(), "Restore 0 [t] [START]");
  EXPECT_EQ(RestoreLine::noData("t").format(), "Restore NO DATA [t]");
  EXPECT_EQ(RestoreLine::found("s").format(), "Restore 1 [s]");
  EXPECT_EQ(RestoreLine::applied("s", "e", 7, 8, "{}").format(), "Restore 2 [s]~[e] [7 / 8] {}");
  EXPECT_EQ((ElementLine{0, 2, "{}"}).format(), "[0 / 2] {}");
  EXPECT_EQ((ErrorLine{{.code = 3, .reason = "r"}}).format(),
            "error Error Domain=com.apple.CallKit.error.calldirectorymanager Code=3 \"r\"");
  for (const char* text : {"", "YES", "YES [a]", "NO [a", "MAYBE [a] [b]"})
    EXPECT_FALSE(IncrementalLine::parse(text));
  for (const char* text : {"Restore 3 [a]", "Restore 2 [s]~[e] [x / 8] {}", "Restore 0 [a]"}) {
    EXPECT_FALSE(RestoreLine::parse(text)) << text;
  }
  for (const char* text : {"NO ADD", "[1 / ] x", "[1/2] x"}) EXPECT_FALSE(ElementLine::parse(text)) << text;
  EXPECT_FALSE(ErrorLine::parse("error something else"));
}

}  // namespace
}  // namespace calldir::handler

#include <gtest/gtest.h>

#include <sstream>

#include "cli/commands/list_decode.h"
#include "cli/commands/list_encode.h"
#include "cli/common/progress.h"
#include "codec/list_key.h"
#include "test_util.h"

namespace calldir::cli {
namespace {

struct CommandRun {
  int status;
  std::string out;
  std::string err;
};

template <typename Options, typename Fn>
CommandRun run(Fn fn, const Options& options, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  Io io{in, out, err};
  const int status = fn(options, io);
  return {status, out.str(), err.str()};
}

CommandRun encode(const std::string& input, std::uint64_t line_length = 0, bool raw = false) {
  ListEncodeOptions o;
  o.line_length = line_length;
  o.raw = raw;
  return run(runListEncode, o, input);
}

CommandRun decode(const std::string& input) { return run(runListDecode, ListDecodeOptions{}, input); }

TEST(ListEncodeDecode, RoundTripsCallerLists) {
  for (std::size_t count : {0u, 1u, 3u, 250u}) {
    const std::string list = testing::sampleCallerList(count);
    for (std::uint64_t line : {0u, 64u, 77u}) {
      const CommandRun encoded = encode(list, line);
      ASSERT_EQ(encoded.status, kExitOk) << encoded.err;
      // Lines break inside only at a line length; the text always ends with one.
      ASSERT_EQ(encoded.out.back(), '\n');
      const std::string body = encoded.out.substr(0, encoded.out.size() - 1);
      EXPECT_EQ(body.find('\n') != std::string::npos, line != 0 && body.size() > line);
      const CommandRun decoded = decode(encoded.out);
      ASSERT_EQ(decoded.status, kExitOk) << decoded.err;
      EXPECT_EQ(decoded.out, list);
    }
  }
}

TEST(ListEncode, RefusesWhatIsNotAJsonArray) {
  for (const char* input : {"{\"number\":\"1\"}", "not json", "\"text\"", "[1,", "[\"\xFF\"]"}) {
    const CommandRun r = encode(input);
    EXPECT_EQ(r.status, kExitBadInput) << input;
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("is not a caller list"), std::string::npos) << r.err;
  }
  const CommandRun raw = encode("not json", 0, true);
  EXPECT_EQ(raw.status, kExitOk);
  EXPECT_EQ(decode(raw.out).out, "not json");
}

TEST(ListEncode, TakesListsAsEditorsSaveThem) {
  const std::string list = testing::sampleCallerList(3);
  // A UTF-8 byte-order mark before the list is no part of it...
  const CommandRun marked = encode("\xEF\xBB\xBF" + list);
  ASSERT_EQ(marked.status, kExitOk) << marked.err;
  EXPECT_EQ(decode(marked.out).out, list);
  // ...but --raw takes every byte.
  EXPECT_EQ(decode(encode("\xEF\xBB\xBFraw", 0, true).out).out, "\xEF\xBB\xBFraw");
  // UTF-16, with a mark or without one, is named with the option that reads it.
  for (const std::string& utf16 : {std::string("\xFF\xFE[\0{\0\"\0", 8), std::string("[\0{\0\"\0n\0", 8)}) {
    const CommandRun r = encode(utf16);
    EXPECT_EQ(r.status, kExitBadInput);
    EXPECT_NE(r.err.find("is UTF-16 text, not UTF-8; read it with --encoding utf-16"), std::string::npos)
        << r.err;
  }
}

TEST(ListDecode, NamesTheLayerThatFailed) {
  struct Case {
    std::string input;
    const char* words;
  };
  const Case cases[] = {
      {"QUJD\xC3\xA9QUJD", "outside ASCII"},
      {" x ", "shorter than 2"},
      {"QUJDREVG", "do not decipher"},
      {"\xFF\xFE", "not UTF-8 text"},
      {encode("[\"\xC3\xA9\"]", 0, true).out.substr(0, 10) + "AAAA", "do not decipher"},
  };
  for (const auto& c : cases) {
    const CommandRun r = decode(c.input);
    EXPECT_EQ(r.status, kExitBadInput) << c.input;
    EXPECT_NE(r.err.find(c.words), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
  const CommandRun not_utf8 = decode(encode("\xFF\xFF", 0, true).out);
  EXPECT_EQ(not_utf8.status, kExitBadInput);
  EXPECT_NE(not_utf8.err.find("not UTF-8"), std::string::npos);
}

TEST(ListDecode, WarnsWhenThePlainTextIsBelowTheListThreshold) {
  const CommandRun r = decode(encode("[]").out);
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, "[]");
  EXPECT_NE(r.err.find("shorter than 16"), std::string::npos);
}

TEST(ListCommand, FilesAndTheOpensslCommandInterchange) {
  testing::TempDir dir;
  const std::string list = testing::sampleCallerList(40);
  testing::writeFile(dir.file("plain.json"), list);
  const std::string calldir = CALLDIR_BINARY;
  const std::string key_hex = testing::toHex(codec::getCallDirectoryEncryptKey()) + std::string(32, '0');
  const std::string openssl =
      "openssl enc -aes-256-cbc -nosalt -K " + key_hex + " -iv " + std::string(32, '0');

  // calldir writes, openssl reads.
  auto r = testing::runCommand(calldir + " list encode --line-length 64 " + dir.file("plain.json") + " -o " +
                               dir.file("list.txt"));
  ASSERT_EQ(r.status, 0);
  EXPECT_TRUE(r.out.empty()) << "the list text goes to the file only";
  r = testing::runCommand(openssl + " -d -base64 -in " + dir.file("list.txt"));
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out, list);

  // openssl writes, calldir reads (from standard input, with openssl's line breaks).
  r = testing::runCommand(openssl + " -base64 -in " + dir.file("plain.json") + " | " + calldir +
                          " list decode -");
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out, list);

  // Exit statuses of the binary.
  EXPECT_EQ(testing::runCommand(calldir + " list decode " + dir.file("plain.json") + " 2>/dev/null").status,
            2);
  EXPECT_EQ(testing::runCommand(calldir + " list decode " + dir.file("missing") + " 2>/dev/null").status, 3);
  EXPECT_EQ(testing::runCommand(calldir + " list frobnicate 2>/dev/null").status, 2);
  EXPECT_EQ(testing::runCommand(calldir + " list encode --help >/dev/null").status, 0);
}

TEST(Progress, ShownOnlyWhereAskedAndClearedAtTheEnd) {
  std::istringstream in;
  std::ostringstream out, err;
  Io io{in, out, err, true};
  {
    Progress progress(io, true, "list check", "elements", std::chrono::milliseconds(0));
    progress.update(3000, 12000);
    EXPECT_EQ(err.str().rfind("\rlist check: 3,000 of 12,000 elements, ", 0), 0u) << err.str();
    EXPECT_NE(err.str().find(" s left"), std::string::npos);
  }
  EXPECT_EQ(err.str().substr(err.str().size() - 4), "\r\033[K");
  std::ostringstream quiet;
  Io not_a_terminal{in, out, quiet, false};
  Progress none(not_a_terminal, true, "list check", "elements", std::chrono::milliseconds(0));
  none.update(3000, 12000);
  const std::size_t drawn = err.str().size();
  Progress under_json(io, false, "list check", "elements", std::chrono::milliseconds(0));
  under_json.update(1, 2);
  EXPECT_TRUE(quiet.str().empty());
  EXPECT_EQ(err.str().size(), drawn);
  EXPECT_EQ(testing::runCommand(std::string(CALLDIR_BINARY) + " --quiet version").out, "calldir 0.1.0\n");
}

}  // namespace
}  // namespace calldir::cli

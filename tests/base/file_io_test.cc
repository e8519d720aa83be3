#include "base/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "test_util.h"

namespace calldir::base {
namespace {

TEST(ReadFile, ReadsRegularFilesAndRefusesEverythingElseAtOnce) {
  testing::TempDir dir;
  const std::string file = dir.file("list");
  testing::writeFile(file, "0123456789");
  const auto read = readFile(file);
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(*read, "0123456789");

  Status s = readFile(dir.path().string()).status();
  EXPECT_EQ(s.kind(), Status::Kind::kIoError);
  EXPECT_NE(s.message().find("is a directory"), std::string::npos);
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  s = readFile(fifo).status();  // no writer: a blocking open would hang here
  EXPECT_NE(s.message().find("FIFO"), std::string::npos);
  EXPECT_EQ(readFile(dir.file("missing")).status().kind(), Status::Kind::kIoError);
  EXPECT_EQ(pathExists(dir.file("missing")).valueOr(true), false);
  EXPECT_EQ(pathExists(fifo).valueOr(false), true);

  s = readFile(file, {.follow_links = true, .max_bytes = 9}).status();
  EXPECT_NE(s.message().find("larger than 9 bytes"), std::string::npos);
  const std::string link = dir.file("link");
  ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);
  EXPECT_TRUE(readFile(link).ok());
  s = readFile(link, {.follow_links = false}).status();
  EXPECT_NE(s.message().find("symbolic link"), std::string::npos);
}

TEST(ReplaceFile, ReplacesWholeAndNeverWritesThroughALink) {
  testing::TempDir dir;
  const std::string path = dir.file("callersAdd.json");
  ASSERT_TRUE(replaceFile(path, "a long first version").ok());
  ASSERT_TRUE(replaceFile(path, "second").ok());
  EXPECT_EQ(testing::readFile(path), "second");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);

  // A link at the path is replaced, its target left alone.
  const std::string outside = dir.file("outside");
  testing::writeFile(outside, "precious");
  const std::string link = dir.file("callersDel.json");
  ASSERT_EQ(::symlink(outside.c_str(), link.c_str()), 0);
  ASSERT_TRUE(replaceFile(link, "list").ok());
  EXPECT_EQ(testing::readFile(outside), "precious");
  EXPECT_EQ(testing::readFile(link), "list");

  EXPECT_FALSE(replaceFile(dir.file("no/such/folder/x"), "x").ok());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);  // no temporary left
}

}  // namespace
}  // namespace calldir::base

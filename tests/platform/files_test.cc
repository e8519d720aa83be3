#include "platform/files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "test_util.h"

namespace calldir::platform {
namespace {

TEST(PosixFileManager, ContainerOnlyForEntitledGroups) {
  PosixFileManager files(std::map<std::string, std::string, std::less<>>{{"group.a", "/tmp/a"}});
  EXPECT_EQ(files.containerURLForSecurityApplicationGroupIdentifier("group.a"), "/tmp/a");
  EXPECT_FALSE(files.containerURLForSecurityApplicationGroupIdentifier("group.b"));
}

TEST(PosixFileManager, CreatesReadsAndWritesInPlace) {
  testing::TempDir dir;
  PosixFileManager files(std::map<std::string, std::string, std::less<>>{});
  const std::string path = dir.file("callersAdd.json");
  EXPECT_FALSE(files.fileExistsAtPath(path));
  EXPECT_FALSE(files.dataWithContentsOfFile(path));
  EXPECT_TRUE(files.createFileAtPath(path));
  EXPECT_FALSE(files.createFileAtPath(path));
  EXPECT_EQ(files.dataWithContentsOfFile(path), "");
  EXPECT_TRUE(files.writeToFile(path, "a longer text"));
  EXPECT_TRUE(files.writeToFile(path, "short"));
  EXPECT_EQ(files.dataWithContentsOfFile(path), "short");
  EXPECT_FALSE(files.dataWithContentsOfFile(dir.path().string()));  // a folder is not a file
}

TEST(PosixFileManager, NeverWritesThroughASymbolicLink) {
  testing::TempDir dir;
  PosixFileManager files(std::map<std::string, std::string, std::less<>>{});
  const std::string outside = dir.file("outside.txt");
  testing::writeFile(outside, "precious");
  const std::string link = dir.file("callersDel.json");
  ASSERT_EQ(symlink(outside.c_str(), link.c_str()), 0);
  EXPECT_TRUE(files.fileExistsAtPath(link));
  EXPECT_FALSE(files.writeToFile(link, ""));
  EXPECT_FALSE(files.createFileAtPath(link));
  EXPECT_FALSE(files.truncateFileIfUnchanged(link, "precious"));
  EXPECT_EQ(testing::readFile(outside), "precious");
  // A dangling link is not followed to create its target either.
  const std::string dangling = dir.file("callersAdd.json");
  ASSERT_EQ(symlink(dir.file("made-by-link").c_str(), dangling.c_str()), 0);
  EXPECT_FALSE(files.writeToFile(dangling, "x"));
  EXPECT_FALSE(files.fileExistsAtPath(dir.file("made-by-link")));
}

TEST(PosixFileManager, TruncatesOnlyWhatIsUnchanged) {
  testing::TempDir dir;
  PosixFileManager files(std::map<std::string, std::string, std::less<>>{});
  const std::string path = dir.file("callersAdd.json");
  testing::writeFile(path, "list one");
  EXPECT_FALSE(files.truncateFileIfUnchanged(path, "list zero"));
  EXPECT_EQ(testing::readFile(path), "list one");
  EXPECT_TRUE(files.truncateFileIfUnchanged(path, "list one"));
  EXPECT_EQ(testing::readFile(path), "");
  EXPECT_FALSE(files.truncateFileIfUnchanged(dir.file("missing"), ""));
}

TEST(DirectoryBundle, FindsResourcesByNameAndType) {
  testing::TempDir dir;
  testing::writeFile(dir.file("callersAdd_Zero.json"), "x");
  DirectoryBundle bundle(dir.path().string());
  EXPECT_EQ(bundle.pathForResource("callersAdd_Zero", "json"), dir.file("callersAdd_Zero.json"));
  EXPECT_FALSE(bundle.pathForResource("callersAdd_Zero", "txt"));
  EXPECT_FALSE(bundle.pathForResource("other", "json"));
}

}  // namespace
}  // namespace calldir::platform

// What calldir does with a container, files and settings that someone else
// has tampered with: nothing is written outside the root, nothing is waited
// on, nothing waiting is lost, and every refusal says so.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "cli/cli_test.h"
#include "codec/text_decoding.h"
#include "test_util.h"

namespace calldir::cli {
namespace {

class HostileFilesTest : public CliTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(calldir("init").status, 0);
    ASSERT_EQ(calldir("enable").status, 0);
    ASSERT_EQ(calldir("settings set CDListRestoreStatus END").status, 0);
  }
  void putDelta(const std::string& name, const std::string& plain) {
    testing::writeFile(container() + "/" + name, codec::encodeListText(plain));
  }
};

TEST_F(HostileFilesTest, LinksInTheContainerAreNeitherFollowedNorWrittenThrough) {
  const std::string outside = dir.file("outside.json");
  testing::writeFile(outside, codec::encodeListText(R"([{"number":"5","name":"Outside"}])"));
  ASSERT_EQ(::symlink(outside.c_str(), (container() + "/callersAdd.json").c_str()), 0);
  EXPECT_NE(calldir("status").out.find("callersAdd.json: no data"), std::string::npos);
  EXPECT_EQ(calldir("reload").status, 0);
  EXPECT_EQ(calldir("lookup 5").status, 1);  // not applied
  const std::string outside_before = testing::readFile(outside);

  // Writing there replaces the link, never the file it points to.
  testing::writeFile(dir.file("add.json"), R"([{"number":"6","name":"Six"}])");
  ASSERT_EQ(calldir("app put --add " + dir.file("add.json")).status, 0) << err();
  EXPECT_EQ(testing::readFile(outside), outside_before);
  const std::string resource = root + "/Extension.appex/Resources/callersAdd_Zero.json";
  ASSERT_EQ(::symlink(outside.c_str(), resource.c_str()), 0);
  EXPECT_EQ(calldir("app restore --reload").status, 0);  // a linked resource reads as no data
  EXPECT_NE(calldir("settings get CallDirectoryRestoreStatus").out.find("NO DATA"), std::string::npos);
  ASSERT_EQ(calldir("bundle put-resource " + dir.file("add.json")).status, 0);
  EXPECT_EQ(testing::readFile(outside), outside_before);
}

TEST_F(HostileFilesTest, AFifoIsNeverWaitedOn) {
  ASSERT_EQ(::mkfifo((container() + "/callersAdd.json").c_str(), 0644), 0);
  auto r = calldir("status");  // would block for ever on a blocking open
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("callersAdd.json: no data"), std::string::npos) << r.out;
  r = calldir("reload --time-limit 20");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(calldir("settings get CallDirectoryAddLog").out, "NO ADD\n");
  // A list command reads a FIFO (process substitution, a pipe) like a file.
  const std::string fifo = dir.file("list.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  testing::writeFile(dir.file("list.json"), testing::sampleCallerList(3));
  r = calldir("list check " + fifo + " & cat " + dir.file("list.json") + " > " + fifo + "; wait $!");
  EXPECT_EQ(r.status, 0) << err();
  EXPECT_NE(r.out.find("a restore from zero adds 3 entries"), std::string::npos) << r.out;
}

TEST_F(HostileFilesTest, AWaitingListIsNotReplacedWithoutAsking) {
  putDelta("callersDel.json", R"([{"number":"1"},{"number":"2"}])");
  testing::writeFile(dir.file("del.json"), R"([{"number":"3"}])");
  auto r = calldir("app put --del " + dir.file("del.json"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(err().find("callersDel.json still waits for a request (2 element(s))"), std::string::npos)
      << err();
  EXPECT_EQ(calldir("app put --replace --del " + dir.file("del.json")).status, 0);
  EXPECT_EQ(codec::getDecodedText(testing::readFile(container() + "/callersDel.json")),
            R"([{"number":"3"}])");
  // Once applied, the next list goes in without asking.
  ASSERT_EQ(calldir("reload").status, 0);
  EXPECT_EQ(calldir("app put --del " + dir.file("del.json")).status, 0);
}

TEST_F(HostileFilesTest, OversizedAndDamagedInputsAreRefusedWithExit3) {
  // A control value far too long to be one reads as missing to the extension.
  const std::string huge(100 * 1024, 'E');
  ASSERT_EQ(calldir("settings set CDListClearAllYN " + huge).status, 0);
  ASSERT_EQ(calldir("reload").status, 0);
  EXPECT_EQ(calldir("settings get CallDirectoryisIncremental").out.rfind("YES [N] [END] [", 0), 0u);
  EXPECT_EQ(calldir("settings get CDListClearAllYN").out, huge + "\n");

  EXPECT_EQ(calldir("list encode " + dir.path().string()).status, 3);
  EXPECT_NE(err().find("is a directory"), std::string::npos);
  EXPECT_EQ(calldir("app put --add " + dir.path().string()).status, 3);

  const std::string settings = container() + "/Library/Preferences/group.calldir.example.sqlite";
  ::unlink((settings + "-wal").c_str());
  ::unlink((settings + "-shm").c_str());
  testing::writeFile(settings, std::string(8192, '\x5a'));
  auto r = calldir("reload");
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(err().find("shared settings"), std::string::npos) << err();
  EXPECT_EQ(calldir("status").status, 3);
}

TEST(FullFilesystem, AFullDeviceRootLosesNothingAndSaysSo) {
  testing::TempDir dir;
  const std::string mount_point = dir.file("full");
  std::filesystem::create_directory(mount_point);
#if defined(__linux__)
  if (::mount("tmpfs", mount_point.c_str(), "tmpfs", 0, "size=2m") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
  }
  struct Unmount {
    std::string path;
    ~Unmount() { ::umount(path.c_str()); }
  } unmount{mount_point};
#else
  GTEST_SKIP() << "a small tmpfs is mounted the way Linux mounts one";
#endif
  const std::string calldir = "CALLDIR_EXTENSION=" + std::string(CALLDIR_EXTENSION_BINARY) + " " +
                              CALLDIR_BINARY + " --root " + mount_point + "/device ";
  auto run = [&](const std::string& args) { return testing::runCommand(calldir + args + " 2>&1").status; };
  ASSERT_EQ(run("init"), 0);
  ASSERT_EQ(run("enable"), 0);
  testing::writeFile(dir.file("list.json"), testing::sampleCallerList(20000));  // about 1.4 MB encoded
  ASSERT_EQ(run("bundle put-resource " + dir.file("list.json")), 0);
  // The restore cannot be stored: the request fails loudly, and the flags
  // still ask for it.
  const auto r = testing::runCommand(calldir + "app restore --reload 2>&1");
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.out.find("full"), std::string::npos) << r.out;
  EXPECT_EQ(testing::runCommand(calldir + "settings get CDListClearAllYN").out, "Y\n");
  // A list that does not fit is not dropped, and leaves nothing behind.
  EXPECT_EQ(run("app put --add " + dir.file("list.json")), 3);
  for (const auto& entry :
       std::filesystem::directory_iterator(mount_point + "/device/AppGroup/group.calldir.example")) {
    EXPECT_EQ(entry.path().filename().string().find("callersAdd.json"), std::string::npos) << entry.path();
  }
}

// The commands that only read work on a root they may not write (a
// read-only mount here; another user's device is the same case), and change
// nothing; a command that writes says it cannot.
TEST_F(HostileFilesTest, ReadingCommandsNeedNoWriteAccess) {
  testing::writeFile(dir.file("list.json"), R"([{"number":"821012345678","name":"Here"}])");
  ASSERT_EQ(calldir("bundle put-resource " + dir.file("list.json")).status, 0);
  ASSERT_EQ(calldir("app restore --reload").status, 0);
  testing::ReadOnlyView view(root, dir.file("view"));
  if (!view.ok()) GTEST_SKIP() << "cannot mount a read-only view here (needs root)";
  root = dir.file("view");
  EXPECT_EQ(calldir("lookup 821012345678").out, "821012345678\tHere\n");
  EXPECT_EQ(calldir("entries").out, "821012345678\tHere\n");
  EXPECT_EQ(calldir("settings get CDListRestoreStatus").out, "END\n");
  for (const char* command : {"status", "status --json", "why 821012345678", "paths", "settings list"}) {
    EXPECT_EQ(calldir(command).status, 0) << command << ": " << err();
  }
  EXPECT_EQ(calldir("settings set K V").status, 3);
  EXPECT_NE(err().find("calldir: "), std::string::npos);
}

// A device root's path is data: roots named with the characters a URI gives
// a meaning to work, and never reach the store of a neighbour.
TEST(DeviceRootPaths, EveryCharacterOfARootIsPartOfItsName) {
  testing::TempDir dir;
  auto calldir = [&](const std::string& root, const std::string& args) {
    return testing::runCommand("CALLDIR_EXTENSION=" + std::string(CALLDIR_EXTENSION_BINARY) + " " +
                               CALLDIR_BINARY + " --root " + testing::shellQuote(root) + " " + args +
                               " 2>&1");
  };
  testing::writeFile(dir.file("list.json"), R"([{"number":"821012345678","name":"Here"}])");
  testing::writeFile(dir.file("add.json"), R"([{"number":"821012345679","name":"Added"}])");
  // The neighbour that the unescaped "x%41" would read: "xA".
  ASSERT_EQ(calldir(dir.file("xA"), "init").status, 0);
  ASSERT_EQ(calldir(dir.file("xA"), "enable").status, 0);
  for (const std::string name : {"x%41", "a?b#c", "with space", "line\nfeed"}) {
    const std::string root = dir.file(name);
    SCOPED_TRACE(name);
    ASSERT_EQ(calldir(root, "init").status, 0);
    ASSERT_EQ(calldir(root, "enable").status, 0);
    ASSERT_EQ(calldir(root, "bundle put-resource " + dir.file("list.json")).status, 0);
    auto r = calldir(root, "app restore --reload");
    ASSERT_EQ(r.status, 0) << r.out;
    ASSERT_EQ(calldir(root, "app put --add " + dir.file("add.json") + " --reload").status, 0);
    r = calldir(root, "lookup 821012345678 821012345679");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "821012345678\tHere\n821012345679\tAdded\n");
  }
  EXPECT_EQ(calldir(dir.file("xA"), "lookup 821012345678").out, "821012345678\t(no label)\n");
  // An empty root is refused, never taken for the default device.
  EXPECT_EQ(calldir("", "status").status, 2);
  EXPECT_EQ(
      testing::runCommand("CALLDIR_ROOT= " + std::string(CALLDIR_BINARY) + " status 2>/dev/null").status, 2);
}

}  // namespace
}  // namespace calldir::cli

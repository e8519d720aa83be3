#include "telephony/child_process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "base/system.h"
#include "test_util.h"

namespace calldir::telephony {
namespace {

// A child that holds `mebibytes` MiB for a while, then exits 0.
std::string holdingChild(testing::TempDir& dir, int mebibytes) {
  const std::string path = dir.file("hold-" + std::to_string(mebibytes));
  testing::writeFile(path, "#!/bin/sh\nheld=$(head -c " + std::to_string(mebibytes << 20) +
                               " /dev/zero | tr '\\0' x)\nsleep 1\nexit 0\n");
  ::chmod(path.c_str(), 0755);
  return path;
}

// Runs `binary` under `limit` until it ends (at most 30 s).
ChildProcess run(const std::string& binary, std::uint64_t limit) {
  auto child = ChildProcess::start({binary, {"PATH=/usr/bin:/bin"}, 3, 4, limit});
  EXPECT_TRUE(child.ok()) << child.status().message();
  std::vector<char> buffer(4096);
  const auto deadline = ChildProcess::Clock::now() + std::chrono::seconds(30);
  while (auto n = child->read(buffer, deadline)) {
    if (*n == 0) break;
  }
  child->awaitExit(deadline);
  return std::move(child).value();
}

bool exitedCleanly(const ChildProcess& child) {
  return WIFEXITED(child.waitStatus()) && WEXITSTATUS(child.waitStatus()) == 0;
}

TEST(ChildProcess, AChildOverTheMemoryLimitIsStoppedAndOneWithinItIsNot) {
  testing::TempDir dir;
  const std::string child = holdingChild(dir, 96);
  const ChildProcess within = run(child, std::uint64_t{1} << 30);
  EXPECT_TRUE(exitedCleanly(within)) << within.waitStatus();
  EXPECT_FALSE(within.killedOverMemoryLimit());
  EXPECT_GT(within.peakBytes(), std::int64_t{96} << 20);

  const ChildProcess past = run(child, std::uint64_t{48} << 20);
  EXPECT_FALSE(exitedCleanly(past));
  // Where the system does not limit the address space, the watch ends it.
  EXPECT_EQ(past.killedOverMemoryLimit(), !base::system::limitsAddressSpace());
}

}  // namespace
}  // namespace calldir::telephony

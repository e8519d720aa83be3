#include "wire/launch.h"

#include <gtest/gtest.h>
#include <stdlib.h>

namespace calldir::wire {
namespace {

TEST(Launch, TheEnvironmentCarriesTheRequestAndNothingStale) {
  const char* inherited[] = {"PATH=/bin", "CALLDIR_DEVICE_ROOT=/old", "CALLDIR_REQUEST_INCREMENTAL=1",
                             "CALLDIR_DEVICE_ROOTS=/kept", nullptr};
  const auto env = launchEnvironment(const_cast<char* const*>(inherited), {"/root/x", false});
  EXPECT_EQ(
      env, (std::vector<std::string>{"PATH=/bin", "CALLDIR_DEVICE_ROOTS=/kept", "CALLDIR_DEVICE_ROOT=/root/x",
                                     "CALLDIR_REQUEST_FDS=3,4", "CALLDIR_REQUEST_INCREMENTAL=0"}));
}

TEST(Launch, TheExtensionReadsWhatTheServiceWrote) {
  LaunchRequest in{"/dev/root", true};
  for (const std::string& entry : launchEnvironment(nullptr, in)) {
    const std::size_t equals = entry.find('=');
    ::setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
  }
  const auto read = readLaunchEnvironment();
  ASSERT_TRUE(read.ok());
  const LaunchRequest& out = *read;
  EXPECT_EQ(out.root, "/dev/root");
  EXPECT_TRUE(out.incremental);
  EXPECT_EQ(out.read_fd, kChildReadFd);
  EXPECT_EQ(out.write_fd, kChildWriteFd);

  for (const char* bad : {"3", "3,4x", "-1,4", "a,b"}) {
    ::setenv(kRequestFdsVariable, bad, 1);
    EXPECT_EQ(readLaunchEnvironment().status().kind(), base::Status::Kind::kInvalidArgument) << bad;
  }
  ::setenv(kRequestFdsVariable, "3,4", 1);
  ::setenv(kIncrementalVariable, "yes", 1);
  EXPECT_FALSE(readLaunchEnvironment().ok());
  ::unsetenv(kIncrementalVariable);
  const base::Status missing = readLaunchEnvironment().status();
  EXPECT_NE(missing.message().find("calldir reload"), std::string::npos);
  ::unsetenv(kRootVariable);
  ::unsetenv(kRequestFdsVariable);
}

}  // namespace
}  // namespace calldir::wire

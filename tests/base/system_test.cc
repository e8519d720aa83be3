// The system-call seams, on whichever road this build takes (the default
// build Linux's own calls, the asan build the POSIX roads).
#include "base/system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "base/fd.h"
#include "test_util.h"

namespace calldir::base::system {
namespace {

TEST(System, PipesCloseOnExecAndCopiesTakeTheRestOfAFile) {
  int fds[2];
  ASSERT_TRUE(closeOnExecPipe(fds));
  FileDescriptor read_end(fds[0]), write_end(fds[1]);
  EXPECT_TRUE(::fcntl(fds[0], F_GETFD) & FD_CLOEXEC);
  EXPECT_TRUE(::fcntl(fds[1], F_GETFD) & FD_CLOEXEC);

  testing::TempDir dir;
  std::string data(3 << 20, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 4096);
  testing::writeFile(dir.file("in"), data);
  FileDescriptor in(::open(dir.file("in").c_str(), O_RDONLY | O_CLOEXEC));
  FileDescriptor out(::open(dir.file("out").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  char skipped[10];
  ASSERT_EQ(::read(in.get(), skipped, sizeof skipped), 10);
  ASSERT_TRUE(copyRest(in.get(), out.get(), "in").ok());
  EXPECT_EQ(syncData(out.get()), 0);
  EXPECT_TRUE(testing::readFile(dir.file("out")) == data.substr(10));
}

TEST(System, APendingPipeSignalIsTakenBack) {
  sigset_t pipe_signal, previous, pending;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &pipe_signal, &previous), 0);
  ASSERT_EQ(::raise(SIGPIPE), 0);
  discardPendingSignal(pipe_signal);
  ASSERT_EQ(::sigpending(&pending), 0);
  EXPECT_EQ(sigismember(&pending, SIGPIPE), 0);
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);  // would end the test had it stayed pending
}

TEST(System, PeakMemoryIsInBytesAndTheProgramKnowsItsPath) {
  rusage self{};
  ASSERT_EQ(::getrusage(RUSAGE_SELF, &self), 0);
  const std::int64_t peak = peakResidentBytes(self);
  EXPECT_GT(peak, std::int64_t{1} << 20);   // a test binary holds more than 1 MiB
  EXPECT_LT(peak, std::int64_t{64} << 30);  // and less than 64 GiB: bytes, not 1024 times too many
  EXPECT_TRUE(executablePath().ends_with("/calldir_tests")) << executablePath();
#if defined(__linux__) || defined(__APPLE__)
  const auto resident = residentBytesOf(::getpid());
  ASSERT_TRUE(resident.has_value());
  EXPECT_GT(*resident, std::int64_t{1} << 20);
  EXPECT_LE(*resident, peak + (std::int64_t{64} << 20));  // about the peak's size, in bytes as it is
#endif
  EXPECT_FALSE(residentBytesOf(-1).has_value());
}

}  // namespace
}  // namespace calldir::base::system

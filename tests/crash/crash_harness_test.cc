#include "crash_harness.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <iostream>

#include "test_util.h"

namespace calldir::crash {
namespace {

const Binaries kBinaries{CALLDIR_BINARY, CALLDIR_EXTENSION_BINARY};

// The harness finds the extension and a hung command's children through
// /proc, which only Linux has.
#define SKIP_WITHOUT_PROC()                           \
  if (!std::filesystem::exists("/proc/self/stat")) { \
    GTEST_SKIP() << "the crash harness needs /proc";  \
  }

TEST(CrashTrials, KillingTheServiceOrTheExtensionLosesNothing) {
  SKIP_WITHOUT_PROC();
  testing::TempDir dir;
  TrialOptions options;
  options.seed = 20261208;
  options.trials = 12;
  options.restore_entries = 3000;
  options.delta_changes = 300;
  options.work_dir = dir.path().string();
  options.progress = &std::cerr;  // shown when the test fails or times out
  const TrialCounts counts = runCrashTrials(kBinaries, options);
  EXPECT_EQ(counts.faults(), 0) << counts.first_fault;
  EXPECT_EQ(counts.trials, options.trials);
  EXPECT_GT(counts.killed_service, 0);
  EXPECT_GT(counts.killed_extension, 0);
}

TEST(CrashTrials, ACommandThatHangsIsDescribedAndKilledNotWaitedFor) {
  SKIP_WITHOUT_PROC();
  testing::TempDir dir;
  const std::string stuck = dir.file("stuck-calldir");
  testing::writeFile(stuck, "#!/bin/sh\nexec sleep 60\n");
  ASSERT_EQ(::chmod(stuck.c_str(), 0755), 0);
  TrialOptions options;
  options.work_dir = dir.path().string();
  options.command_limit_seconds = 0.3;
  const auto started = std::chrono::steady_clock::now();
  const TrialCounts counts = runCrashTrials({stuck, CALLDIR_EXTENSION_BINARY}, options);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
  EXPECT_EQ(counts.commands_hung, 1);
  EXPECT_EQ(counts.trials, 0);
  EXPECT_NE(counts.first_fault.find("calldir init was still running after"), std::string::npos)
      << counts.first_fault;
  EXPECT_NE(counts.first_fault.find("sleep 60"), std::string::npos) << counts.first_fault;
}

TEST(Soak, ListsDroppedWhileReloadsRunAreAppliedOnceOrStillWait) {
  testing::TempDir dir;
  SoakOptions options;
  options.seconds = 4;
  options.min_lists = 8;  // however slow the machine (a sanitizer, a busy CI)
  options.work_dir = dir.path().string();
  const SoakCounts counts = runSoak(kBinaries, options);
  EXPECT_EQ(counts.faults(), 0) << counts.first_fault;
  EXPECT_GT(counts.lists_dropped, 5);
  EXPECT_GT(counts.reloads, 5);
}

}  // namespace
}  // namespace calldir::crash

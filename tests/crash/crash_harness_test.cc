#include "crash_harness.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace calldir::crash {
namespace {

const Binaries kBinaries{CALLDIR_BINARY, CALLDIR_EXTENSION_BINARY};

TEST(CrashTrials, KillingTheServiceOrTheExtensionLosesNothing) {
  testing::TempDir dir;
  TrialOptions options;
  options.seed = 20261208;
  options.trials = 12;
  options.restore_entries = 3000;
  options.delta_changes = 300;
  options.work_dir = dir.path().string();
  const TrialCounts counts = runCrashTrials(kBinaries, options);
  EXPECT_EQ(counts.faults(), 0) << counts.first_fault;
  EXPECT_EQ(counts.trials, options.trials);
  EXPECT_GT(counts.killed_service, 0);
  EXPECT_GT(counts.killed_extension, 0);
}

TEST(Soak, ListsDroppedWhileReloadsRunAreAppliedOnceOrStillWait) {
  testing::TempDir dir;
  SoakOptions options;
  options.seconds = 4;
  options.work_dir = dir.path().string();
  const SoakCounts counts = runSoak(kBinaries, options);
  EXPECT_EQ(counts.faults(), 0) << counts.first_fault;
  EXPECT_GT(counts.lists_dropped, 5);
  EXPECT_GT(counts.reloads, 5);
}

}  // namespace
}  // namespace calldir::crash

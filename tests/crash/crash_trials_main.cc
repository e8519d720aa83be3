// The long runs of the crash trials and the soak, for scripts/crash-trials
// and scripts/soak; the test suite runs short ones.
//   calldir_crash_trials trials N [ENTRIES [CHANGES [SEED]]]
//   calldir_crash_trials soak SECONDS [SEED]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "crash_harness.h"

int main(int argc, char** argv) {
  using namespace calldir::crash;
  const std::string mode = argc > 2 ? argv[1] : "";
  auto arg = [&](int i, long fallback) { return argc > i ? std::atol(argv[i]) : fallback; };
  char pattern[] = "/tmp/calldir-crash-XXXXXX";
  const char* dir = ::mkdtemp(pattern);
  if (dir == nullptr || (mode != "trials" && mode != "soak")) {
    std::fprintf(stderr, "usage: %s trials N [ENTRIES [CHANGES [SEED]]] | soak SECONDS [SEED]\n", argv[0]);
    return 2;
  }
  const Binaries binaries{CALLDIR_BINARY, CALLDIR_EXTENSION_BINARY};
  int faults = 0;
  if (mode == "trials") {
    TrialOptions o;
    o.trials = static_cast<int>(arg(2, 1000));
    o.restore_entries = static_cast<int>(arg(3, 100000));
    o.delta_changes = static_cast<int>(arg(4, 10000));
    o.seed = static_cast<std::uint32_t>(arg(5, 1));
    o.work_dir = dir;
    const TrialCounts c = runCrashTrials(binaries, o);
    std::printf(
        "trials %d (restores %d, delta updates %d; %d entries, %d changes, seed %u)\n"
        "killed: service %d, extension %d; completed before the kill %d\n"
        "lost delta lists %d, restores reported done while not loaded %d\n"
        "extension outlived its service %d, integrity failures %d, store neither before nor after %d,\n"
        "next request failed %d, final state wrong %d, commands hung %d%s%s\n",
        c.trials, c.restore_trials, c.delta_trials, o.restore_entries, o.delta_changes, o.seed,
        c.killed_service, c.killed_extension, c.completed_before_kill, c.lost_delta_lists,
        c.restores_reported_done_not_loaded, c.extension_outlived_service, c.integrity_failures,
        c.store_neither_before_nor_after, c.next_request_failed, c.final_state_wrong, c.commands_hung,
        c.first_fault.empty() ? "" : "\nfirst fault: ", c.first_fault.c_str());
    faults = c.faults();
  } else {
    SoakOptions o;
    o.seconds = static_cast<double>(arg(2, 600));
    o.seed = static_cast<std::uint32_t>(arg(3, 1));
    o.work_dir = dir;
    const SoakCounts c = runSoak(binaries, o);
    std::printf(
        "soak %.0f s: lists dropped %d, drops refused while a list waited %d, reloads %d, settings writes "
        "%d\n"
        "failed settings writes %d, lists lost %d, lists applied twice %d, last write lost %d, commands hung "
        "%d%s%s\n",
        o.seconds, c.lists_dropped, c.drops_refused_while_waiting, c.reloads, c.settings_writes,
        c.failed_settings_writes, c.lists_lost, c.lists_applied_twice, c.last_write_lost, c.commands_hung,
        c.first_fault.empty() ? "" : "\nfirst fault: ", c.first_fault.c_str());
    faults = c.faults();
  }
  std::system(("rm -rf " + std::string(dir)).c_str());
  return faults == 0 ? 0 : 1;
}

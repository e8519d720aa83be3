// Crash trials and a soak of the containing application's side, run against
// the real calldir and calldir-extension binaries on a device of their own.
//
// A crash trial drops delta lists (or asks for a restore from zero of the
// other of two resource lists), starts `calldir reload`, and kills the
// service or the extension with SIGKILL at a random moment. Then it checks:
// the extension did not outlive its service; both databases pass SQLite's
// integrity check; the store holds the state before or after the request;
// nothing reports done that is not in the store (emptied delta lists, a
// restore status of "END" with the flag "N"); the next request runs; and
// after a second request the store is the intended state.
//
// No command is waited for without end: one still running long after its
// own time limit is described (state and wait channel of it and its
// children), killed and counted as hung, and the run ends there.
//
// The soak runs reloads in a loop while a stand-in for the containing
// application drops delta lists with `calldir app put` and writes a settings
// key with `calldir settings set`: every list is applied exactly once or
// still waits, and no write is lost.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace calldir::crash {

struct Binaries {
  std::string calldir;
  std::string extension;
};

struct TrialOptions {
  std::uint32_t seed = 1;
  int trials = 10;
  int restore_entries = 2000;        // entries of each of the two resource lists
  int delta_changes = 200;           // removals and additions of a delta trial, each
  std::string work_dir;              // a fresh folder for the device
  std::ostream* progress = nullptr;  // a line per trial, when set
  // A request ends at its time limit (60 s) and waits at most 30 s for a
  // database lock before and after it: a command running this long has hung.
  double command_limit_seconds = 150;
};

struct TrialCounts {
  int trials = 0;
  int restore_trials = 0;
  int delta_trials = 0;
  int killed_service = 0;
  int killed_extension = 0;
  int completed_before_kill = 0;
  // Faults; each must stay 0.
  int extension_outlived_service = 0;
  int integrity_failures = 0;
  int store_neither_before_nor_after = 0;
  int lost_delta_lists = 0;
  int restores_reported_done_not_loaded = 0;
  int next_request_failed = 0;
  int final_state_wrong = 0;
  int commands_hung = 0;    // still running long after any limit of theirs; the run ends there
  std::string first_fault;  // what the first fault was, for people

  int faults() const {
    return extension_outlived_service + integrity_failures + store_neither_before_nor_after +
           lost_delta_lists + restores_reported_done_not_loaded + next_request_failed + final_state_wrong +
           commands_hung;
  }
};

// Runs the crash trials; a setup that fails ends them with a fault.
TrialCounts runCrashTrials(const Binaries& binaries, const TrialOptions& options);

struct SoakOptions {
  std::uint32_t seed = 1;
  double seconds = 5;
  // Go on past `seconds` until this many lists were dropped (at most ten
  // times as long), so that a slow machine still soaks as much.
  int min_lists = 0;
  int list_entries = 20;  // additions per dropped list
  std::string work_dir;
  double command_limit_seconds = 150;  // as in TrialOptions
};

struct SoakCounts {
  int lists_dropped = 0;
  int drops_refused_while_waiting = 0;
  int reloads = 0;
  int settings_writes = 0;
  // Faults; each must stay 0.
  int failed_settings_writes = 0;
  int lists_lost = 0;
  int lists_applied_twice = 0;  // a removal list whose numbers came back
  int last_write_lost = 0;
  int commands_hung = 0;
  std::string first_fault;

  int faults() const {
    return failed_settings_writes + lists_lost + lists_applied_twice + last_write_lost + commands_hung;
  }
};

SoakCounts runSoak(const Binaries& binaries, const SoakOptions& options);

}  // namespace calldir::crash

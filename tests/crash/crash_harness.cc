#include "crash_harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string_view>
#include <thread>
#include <vector>

#include "base/file_io.h"
#include "device/device_root.h"
#include "platform/sqlite_settings.h"
#include "telephony/call_directory_store.h"

namespace calldir::crash {

namespace {

using Clock = std::chrono::steady_clock;
using State = std::map<std::int64_t, std::set<std::string>>;  // number -> labels

std::string secondsText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", seconds);
  return text;
}

// Waits until `pid` exits or `until` passes; true once it has exited (or
// cannot be waited for), with its exit status (-1 after a signal) in `status`.
bool exitedBy(pid_t pid, Clock::time_point until, int& status) {
  for (;;) {
    int raw = 0;
    const pid_t r = ::waitpid(pid, &raw, WNOHANG);
    if (r == pid) {
      status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
      return true;
    }
    if (r < 0 && errno != EINTR) {
      status = -1;
      return true;
    }
    if (Clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// A process's state letter from /proc/PID/stat, and its parent in
// `parent`; 0 once it has gone.
char processState(pid_t pid, pid_t* parent = nullptr) {
  std::string line;
  std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/stat"), line);
  // The command name in parentheses may hold anything: read after its end.
  const std::size_t close = line.rfind(')');
  char state = 0;
  int ppid = 0;
  if (close == std::string::npos || std::sscanf(line.c_str() + close + 1, " %c %d", &state, &ppid) != 2)
    return 0;
  if (parent != nullptr) *parent = static_cast<pid_t>(ppid);
  return state;
}

// The children of `parent`, found through /proc.
std::vector<pid_t> childrenOf(pid_t parent) {
  std::vector<pid_t> out;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return out;
  while (dirent* entry = ::readdir(proc)) {
    const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
    if (pid <= 0) continue;
    pid_t its_parent = 0;
    if (processState(pid, &its_parent) != 0 && its_parent == parent) out.push_back(pid);
  }
  ::closedir(proc);
  return out;
}

// One line on `pid` and, indented below it, its children: state, what
// the kernel waits on, command line.
std::string describeTree(pid_t pid, int depth = 0) {
  const std::string dir = "/proc/" + std::to_string(pid);
  std::string wchan, cmdline;
  std::getline(std::ifstream(dir + "/wchan"), wchan);
  std::getline(std::ifstream(dir + "/cmdline"), cmdline, '\n');
  std::replace(cmdline.begin(), cmdline.end(), '\0', ' ');
  const char state = processState(pid);
  std::string out = std::string(2 * depth, ' ') + "pid " + std::to_string(pid) + " state " +
                    (state ? state : '?') + " waiting in " + (wchan.empty() ? "-" : wchan) + ": " + cmdline +
                    "\n";
  for (pid_t child : childrenOf(pid)) out += describeTree(child, depth + 1);
  return out;
}

// Runs calldir commands on one device. A command still running after
// `limit_seconds` has hung: it is described, killed with its children and
// counted, instead of stalling the run.
class Commands {
 public:
  Commands(const Binaries& binaries, std::string root, double limit_seconds)
      : binaries_(binaries), root_(std::move(root)), limit_seconds_(limit_seconds) {}

  // Starts `calldir --root ROOT ARGS...` with its output thrown away.
  pid_t start(const std::vector<std::string>& args) const {
    std::vector<std::string> argv_strings = {binaries_.calldir, "--root", root_};
    argv_strings.insert(argv_strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argv_strings) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string extension = "CALLDIR_EXTENSION=" + binaries_.extension;
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      ::dup2(null, 2);
      ::putenv(const_cast<char*>(extension.c_str()));
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    return pid;
  }

  // Waits for a started command: its exit status, -1 after a signal, -2
  // when it hung.
  int finish(pid_t pid, std::string_view what) {
    int status = -1;
    const auto limit =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(limit_seconds_));
    if (pid < 0 || exitedBy(pid, Clock::now() + limit, status)) return status;
    const std::string tree = describeTree(pid);
    for (pid_t child : childrenOf(pid)) ::kill(child, SIGKILL);
    ::kill(pid, SIGKILL);
    exitedBy(pid, Clock::time_point::max(), status);
    if (hung_++ == 0) {
      first_hung_ = "calldir " + std::string(what) + " was still running after " +
                    secondsText(limit_seconds_) + ":\n" + tree;
    }
    return -2;
  }

  int run(const std::vector<std::string>& args) {
    std::string what;
    for (const auto& a : args) what += (what.empty() ? "" : " ") + a;
    return finish(start(args), what);
  }

  // The extension processes `service` runs. Only these: a service built
  // with LeakSanitizer starts a tracer task of its own as it exits, and a
  // kill of that task would leave the service waiting for it for ever.
  std::vector<pid_t> extensionsOf(pid_t service) const {
    std::error_code ec;
    const auto extension = std::filesystem::weakly_canonical(binaries_.extension, ec);
    std::vector<pid_t> out;
    for (pid_t child : childrenOf(service)) {
      const auto exe = std::filesystem::read_symlink("/proc/" + std::to_string(child) + "/exe", ec);
      if (!ec && exe == extension) out.push_back(child);
    }
    return out;
  }

  int hung() const { return hung_; }
  const std::string& firstHung() const { return first_hung_; }

 private:
  const Binaries& binaries_;
  std::string root_;
  double limit_seconds_;
  int hung_ = 0;
  std::string first_hung_;
};

// True once `pid` has gone (or is a zombie nobody reaps).
bool gone(pid_t pid) {
  const char state = processState(pid);
  return state == 0 || state == 'Z';
}

bool integrityOk(const std::string& path) {
  sqlite3* db = nullptr;
  bool ok = false;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_busy_timeout(db, 10000);
    sqlite3_stmt* check = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) == SQLITE_OK &&
        sqlite3_step(check) == SQLITE_ROW) {
      ok = std::string(reinterpret_cast<const char*>(sqlite3_column_text(check, 0))) == "ok";
    }
    sqlite3_finalize(check);
  }
  sqlite3_close_v2(db);
  return ok;
}

// The generation file the store's state names (the state file itself for
// a store written before generation files).
std::string currentGeneration(const std::string& store_path) {
  sqlite3* db = nullptr;
  std::string generation = "0";
  if (sqlite3_open_v2(store_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* select = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT value FROM state WHERE key = 'generation'", -1, &select, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(select) == SQLITE_ROW) {
      generation = reinterpret_cast<const char*>(sqlite3_column_text(select, 0));
    }
    sqlite3_finalize(select);
  }
  sqlite3_close_v2(db);
  if (generation == "0") return store_path;
  return store_path.substr(0, store_path.rfind('/')) + "/entries-" + generation + ".sqlite";
}

std::optional<device::DeviceRoot> openedDevice(const std::string& root) {
  auto device = device::DeviceRoot::open(root);
  if (!device.ok()) return std::nullopt;
  return std::move(device).value();
}

State readStore(const device::DeviceRoot& device) {
  State state;
  auto store = telephony::CallDirectoryStore::open(device.paths().store);
  if (!store.ok()) return state;
  (void)(*store)->forEachEntry(
      [&](std::int64_t number, std::string_view label) { state[number].insert(std::string(label)); });
  return state;
}

std::string setting(const device::DeviceRoot& device, const std::string& key) {
  auto store =
      platform::SqliteSettingsStore::open(device.paths().settings, device.group(), base::Access::kReadWrite);
  if (!store.ok()) return "";
  return (*store)->initWithSuiteName(device.group())->objectForKey(key).value_or("");
}

// A plain caller list of `state` (one label per number), in number order.
std::string plainList(const State& state) {
  std::string out = "[";
  for (const auto& [number, labels] : state) {
    for (const auto& label : labels) {
      out += (out.size() > 1 ? ",\n" : "") + std::string("{\"number\":\"") + std::to_string(number) +
             "\",\"name\":\"" + label + "\"}";
    }
  }
  return out + "]";
}

std::string plainNumbers(const std::vector<std::int64_t>& numbers) {
  std::string out = "[";
  for (std::int64_t n : numbers)
    out += (out.size() > 1 ? "," : "") + std::string("{\"number\":\"") + std::to_string(n) + "\"}";
  return out + "]";
}

void fault(int& counter, std::string& first, const std::string& what) {
  ++counter;
  if (first.empty()) first = what;
}

// One device and what it should hold, with the trials that run on it.
class CrashSession {
 public:
  CrashSession(const Binaries& binaries, const TrialOptions& options)
      : options_(options),
        random_(options.seed),
        root_(options.work_dir + "/device"),
        commands_(binaries, root_, options.command_limit_seconds) {}

  // Sets up the device with the first resource restored; a failure is a
  // fault, so a run that could not start never passes.
  bool setUp(TrialCounts& counts) {
    const bool prepared = prepare();
    noteHung(counts);
    if (!prepared) {
      fault(counts.next_request_failed, counts.first_fault, "the device could not be set up");
      return false;
    }
    return true;
  }

  void trial(int t, TrialCounts& counts) {
    const bool restore = std::uniform_int_distribution<int>(0, 9)(random_) < 3;
    State after;
    if (restore) {
      ++counts.restore_trials;
      current_resource_ = 1 - current_resource_;
      after = resources_[current_resource_];
      if (!restoreTo(current_resource_))
        return fault(counts.next_request_failed, counts.first_fault, "restore setup");
    } else {
      ++counts.delta_trials;
      after = dropDelta(t);
    }
    const std::string what = killDuring(restore, counts);
    if (options_.progress != nullptr) {
      *options_.progress << "trial " << t + 1 << ", " << (restore ? "restore" : "delta update") << ": "
                         << what << std::endl;
    }
    check(restore, after, counts);
    intended_ = after;
    noteHung(counts);
  }

 private:
  void noteHung(TrialCounts& counts) const {
    counts.commands_hung = commands_.hung();
    if (commands_.hung() > 0 && counts.first_fault.empty()) counts.first_fault = commands_.firstHung();
  }

  static void write(const std::string& path, const std::string& text) { (void)base::replaceFile(path, text); }

  bool prepare() {
    if (commands_.run({"init"}) != 0 || commands_.run({"enable"}) != 0 || !(device_ = openedDevice(root_))) {
      return false;
    }
    for (int k = 0; k < 2; ++k) {
      for (int i = 0; i < options_.restore_entries; ++i) {
        resources_[k][100000000000LL + 2 * i + k].insert("R" + std::to_string(k) + " " + std::to_string(i));
      }
      write(options_.work_dir + "/resource" + std::to_string(k) + ".json", plainList(resources_[k]));
    }
    if (!restoreTo(0)) return false;
    // An uninterrupted restore sets where the kills start to aim; a delta
    // update takes no longer, and completions refine both from there.
    const auto started = Clock::now();
    if (commands_.run({"reload"}) != 0) return false;
    restore_seconds_ = delta_seconds_ = std::chrono::duration<double>(Clock::now() - started).count();
    return readStore(*device_) == (intended_ = resources_[0]);
  }

  bool restoreTo(int k) {
    return commands_.run({"bundle", "put-resource",
                          options_.work_dir + "/resource" + std::to_string(k) + ".json"}) == 0 &&
           commands_.run({"app", "restore"}) == 0;
  }

  // Drops a delete list and an add list (renames among them) and returns
  // the state they lead to.
  State dropDelta(int t) {
    State after = intended_;
    std::vector<std::int64_t> numbers;
    for (const auto& [n, labels] : intended_) numbers.push_back(n);
    std::shuffle(numbers.begin(), numbers.end(), random_);
    numbers.resize(std::min<std::size_t>(numbers.size(), static_cast<std::size_t>(options_.delta_changes)));
    std::sort(numbers.begin(), numbers.end());
    State added;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
      after.erase(numbers[i]);
      if (i % 2 == 0) added[numbers[i]].insert("T" + std::to_string(t) + " renamed");  // a rename
    }
    const std::int64_t top = intended_.empty() ? 200000000000LL : intended_.rbegin()->first;
    for (int i = 0; static_cast<int>(added.size()) < options_.delta_changes; ++i) {
      added[top + 1 + i].insert("T" + std::to_string(t) + " new " + std::to_string(i));
    }
    for (const auto& [n, labels] : added) after[n] = labels;
    write(options_.work_dir + "/del.json", plainNumbers(numbers));
    write(options_.work_dir + "/add.json", plainList(added));
    commands_.run(
        {"app", "put", "--del", options_.work_dir + "/del.json", "--add", options_.work_dir + "/add.json"});
    del_stored_ = base::readFile(device_->paths().container + "/callersDel.json").valueOr("");
    add_stored_ = base::readFile(device_->paths().container + "/callersAdd.json").valueOr("");
    return after;
  }

  // Starts a reload and kills the service or its extension at a random
  // moment of it; a request over before that moment is not waited out.
  // Says what happened, for the progress lines.
  std::string killDuring(bool restore, TrialCounts& counts) {
    double& estimate = restore ? restore_seconds_ : delta_seconds_;
    const bool kill_extension = std::uniform_int_distribution<int>(0, 1)(random_) == 1;
    // The service commits after its extension is gone: a kill of the
    // extension is aimed at the part of the request before that.
    const double delay =
        std::uniform_real_distribution<double>(0, estimate * (kill_extension ? 0.8 : 1.3))(random_);
    const auto started = Clock::now();
    const auto seconds = [&] { return std::chrono::duration<double>(Clock::now() - started).count(); };
    const pid_t service = commands_.start({"reload"});
    int status = -1;
    std::vector<pid_t> extensions;
    std::string what;
    bool exited = exitedBy(
        service, started + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(delay)),
        status);
    if (!exited) extensions = commands_.extensionsOf(service);
    // The extension runs for only part of the request (the service starts
    // before it and commits after it): a kill meant for it waits for one,
    // while the service runs, rather than landing on the service instead
    // (a service that never starts one is killed after a minute).
    const auto wait_until = Clock::now() + std::chrono::seconds(60);
    while (kill_extension && !exited && extensions.empty() && Clock::now() < wait_until) {
      exited = exitedBy(service, Clock::now() + std::chrono::milliseconds(1), status);
      if (!exited) extensions = commands_.extensionsOf(service);
    }
    if (!exited) {
      if (kill_extension && !extensions.empty()) {
        ::kill(extensions.front(), SIGKILL);
        ++counts.killed_extension;
        what = "killed the extension";
      } else {
        ::kill(service, SIGKILL);
        ++counts.killed_service;
        what = "killed the service";
      }
      status = commands_.finish(service, "reload");
    } else if (status != 0) {
      fault(counts.next_request_failed, counts.first_fault, "a request failed with nothing killed");
    }
    if (status == 0) {
      ++counts.completed_before_kill;
      // A moving average: one stalled request must not leave every later
      // kill landing after the request is over.
      estimate = 0.8 * estimate + 0.2 * seconds();
      what += what.empty() ? "completed" : ", which had completed";
    }
    what += " after " + secondsText(seconds());
    for (pid_t extension : extensions) {
      const auto deadline = Clock::now() + std::chrono::seconds(2);
      while (!gone(extension) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      if (!gone(extension))
        fault(counts.extension_outlived_service, counts.first_fault, "an extension outlived its service");
    }
    return what;
  }

  void check(bool restore, const State& after, TrialCounts& counts) {
    if (!integrityOk(device_->paths().store) || !integrityOk(device_->paths().settings) ||
        !integrityOk(currentGeneration(device_->paths().store))) {
      fault(counts.integrity_failures, counts.first_fault, "a database failed its integrity check");
    }
    const State now = readStore(*device_);
    if (now != intended_ && now != after) {
      fault(counts.store_neither_before_nor_after, counts.first_fault,
            "the store is neither before nor after");
    }
    if (restore) {
      if (setting(*device_, "CDListRestoreStatus") == "END" && setting(*device_, "CDListClearAllYN") == "N" &&
          now != after) {
        fault(counts.restores_reported_done_not_loaded, counts.first_fault,
              "a restore was reported done but not loaded");
      }
    } else {
      const std::string del = base::readFile(device_->paths().container + "/callersDel.json").valueOr("");
      const std::string add = base::readFile(device_->paths().container + "/callersAdd.json").valueOr("");
      const bool del_kept = del == del_stored_;
      const bool add_kept = add == add_stored_;
      if ((!del_kept || !add_kept) && now != after) {
        fault(counts.lost_delta_lists, counts.first_fault, "a delta list was emptied but not applied");
      }
    }
    if (commands_.run({"reload"}) != 0) {
      fault(counts.next_request_failed, counts.first_fault, "the next request did not complete");
    }
    commands_.run({"reload"});
    if (readStore(*device_) != after) {
      fault(restore ? counts.final_state_wrong : counts.lost_delta_lists, counts.first_fault,
            restore ? "the store is not the restored list" : "a delta list's changes are missing");
    }
  }

  const TrialOptions& options_;
  std::mt19937 random_;
  std::string root_;
  Commands commands_;
  std::optional<device::DeviceRoot> device_;
  State resources_[2];
  int current_resource_ = 0;
  State intended_;
  std::string del_stored_, add_stored_;  // the lists as dropped
  double restore_seconds_ = 0;           // how long a request of each kind takes
  double delta_seconds_ = 0;
};

// The soak's stand-in for the containing application: list i adds a block
// of numbers, and removes the block that list i - 2 added.
class SoakSession {
 public:
  SoakSession(const Binaries& binaries, const SoakOptions& options)
      : options_(options),
        random_(options.seed),
        root_(options.work_dir + "/device"),
        commands_(binaries, root_, options.command_limit_seconds) {}

  SoakCounts run() {
    SoakCounts counts;
    if (commands_.run({"init"}) != 0 || commands_.run({"enable"}) != 0 || !(device_ = openedDevice(root_)) ||
        commands_.run({"settings", "set", "CDListRestoreStatus", "END"}) != 0) {
      fault(counts.lists_lost, counts.first_fault, "the device could not be set up");
      return counts;
    }
    const std::string stop = options_.work_dir + "/stop";
    const pid_t reloader = ::fork();
    if (reloader == 0) {
      int reloads = 0;
      while (::access(stop.c_str(), F_OK) != 0) {
        commands_.run({"reload"});
        ++reloads;
      }
      ::_exit(commands_.hung() > 0 ? kReloaderHung : std::min(reloads, kReloaderHung - 1));
    }
    const auto end = Clock::now() + std::chrono::duration<double>(options_.seconds);
    const auto latest = Clock::now() + std::chrono::duration<double>(10 * options_.seconds);
    int list = 0;
    while (Clock::now() < end || (counts.lists_dropped < options_.min_lists && Clock::now() < latest)) {
      drop(list, counts) ? ++list : ++counts.drops_refused_while_waiting;
      const std::string value = std::to_string(++counts.settings_writes);
      if (commands_.run({"settings", "set", "SoakCounter", value}) != 0) {
        fault(counts.failed_settings_writes, counts.first_fault, "a settings write failed");
      }
      std::this_thread::sleep_for(
          std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 20)(random_)));
    }
    write(stop, "");
    // The reloader ends after the reload it is running.
    counts.reloads = commands_.finish(reloader, "reload (the soak's loop)");
    commands_.run({"reload"});
    commands_.run({"reload"});
    verify(list, counts);
    counts.commands_hung = commands_.hung() + (counts.reloads == kReloaderHung ? 1 : 0);
    if (counts.reloads == kReloaderHung && counts.first_fault.empty()) {
      counts.first_fault = "a reload of the soak's loop hung";
    }
    if (commands_.hung() > 0 && counts.first_fault.empty()) counts.first_fault = commands_.firstHung();
    return counts;
  }

 private:
  static void write(const std::string& path, const std::string& text) { (void)base::replaceFile(path, text); }

  std::vector<std::int64_t> block(int list) const {
    std::vector<std::int64_t> numbers;
    for (int i = 0; i < options_.list_entries; ++i) numbers.push_back(300000000000LL + list * 1000LL + i);
    return numbers;
  }

  bool drop(int list, SoakCounts& counts) {
    State added;
    for (std::int64_t n : block(list)) added[n].insert("L" + std::to_string(list));
    write(options_.work_dir + "/add.json", plainList(added));
    write(options_.work_dir + "/del.json",
          plainNumbers(list >= 2 ? block(list - 2) : std::vector<std::int64_t>{}));
    const int status = commands_.run(
        {"app", "put", "--del", options_.work_dir + "/del.json", "--add", options_.work_dir + "/add.json"});
    if (status == 0) ++counts.lists_dropped;
    return status == 0;
  }

  void verify(int lists, SoakCounts& counts) {
    const State now = readStore(*device_);
    for (int list = 0; list < lists; ++list) {
      const bool removed_later = list + 2 < lists;
      for (std::int64_t n : block(list)) {
        const bool present = now.count(n) != 0;
        if (removed_later && present) {
          fault(counts.lists_applied_twice, counts.first_fault, "a removed block came back");
        } else if (!removed_later && !present) {
          fault(counts.lists_lost, counts.first_fault, "a dropped list was not applied");
        }
      }
    }
    if (setting(*device_, "SoakCounter") != std::to_string(counts.settings_writes)) {
      fault(counts.last_write_lost, counts.first_fault, "the last settings write is missing");
    }
  }

  // The reloader's exit status when one of its reloads hung.
  static constexpr int kReloaderHung = 255;

  const SoakOptions& options_;
  std::mt19937 random_;
  std::string root_;
  Commands commands_;
  std::optional<device::DeviceRoot> device_;
};

}  // namespace

SoakCounts runSoak(const Binaries& binaries, const SoakOptions& options) {
  SoakSession session(binaries, options);
  return session.run();
}

TrialCounts runCrashTrials(const Binaries& binaries, const TrialOptions& options) {
  TrialCounts counts;
  CrashSession session(binaries, options);
  if (!session.setUp(counts)) return counts;
  // After a hang the device's state is unknown: the run ends there.
  for (int t = 0; t < options.trials && counts.commands_hung == 0; ++t) {
    session.trial(t, counts);
    ++counts.trials;
  }
  return counts;
}

}  // namespace calldir::crash

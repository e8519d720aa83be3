// A power cut loses nothing that was reported done. A restore and three
// updates run with every call that changes the device recorded; the device
// is then rebuilt as a cut at each sync point (and each change of names)
// would have left it, under the POSIX minimum and under a write-back cache,
// and each such device must hold whole stores, the entries of a state before
// or after the step in progress, and reach the intended entries with one
// reload: nothing done lost, no applied list back. Then each of calldir's
// syncs is taken away in turn, and the same cuts must find a loss.
//
// A cut is tried just before every sync and after every step;
// CALLDIR_POWER_CUTS=all adds, for the write-back cache, one before every
// change of names.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <set>

#include "powerloss/power_cut.h"
#include "test_util.h"

namespace calldir::powerloss {
namespace {

namespace fs = std::filesystem;

struct Step {
  std::string args;
  bool leaves_work = false;  // drops lists that the next reload applies
};

std::string integrityOf(const std::string& path) {
  sqlite3* db = nullptr;
  std::string result = "cannot open";
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    sqlite3_stmt* check = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) == SQLITE_OK &&
        sqlite3_step(check) == SQLITE_ROW) {
      result = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
    } else {
      result = sqlite3_errmsg(db);
    }
    sqlite3_finalize(check);
  }
  sqlite3_close(db);
  return result;
}

// A database kept open by a process of its own, as the containing
// application keeps the shared settings. (A process of its own: a lock that
// SQLite holds is dropped when the process closes any descriptor of the file.)
class HeldOpen {
 public:
  explicit HeldOpen(const std::string& path) {
    int ready[2], release[2];
    if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(release, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      sqlite3* db = nullptr;
      char byte = 0;
      const bool opened =
          sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
          sqlite3_exec(db, "BEGIN; SELECT count(*) FROM settings", nullptr, nullptr, nullptr) == SQLITE_OK;
      if (opened && ::write(ready[1], &byte, 1) == 1) (void)::read(release[0], &byte, 1);
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    release_ = release[1];
    char byte = 0;
    ok_ = pid_ > 0 && ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
  }
  ~HeldOpen() { release(); }
  bool ok() const { return ok_; }
  void release() {
    if (release_ >= 0) ::close(release_);
    release_ = -1;
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool ok_ = false;
};

class PowerLoss : public ::testing::Test {
 protected:
  void SetUp() override {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the system-call recorder is preloaded, which the address sanitizer does not allow";
#endif
    writeList("resource.json", 0, 12, "Resource");
    testing::writeFile(dir.file("add1.json"), R"([{"number":"821099990001","name":"X"},)"
                                              R"({"number":"821099990002","name":"Y"},)"
                                              R"({"number":"821099990003","name":"Z"}])");
    testing::writeFile(dir.file("delx.json"), R"([{"number":"821099990001"},{"number":"821012340001"}])");
    testing::writeFile(dir.file("addx.json"), R"([{"number":"821099990001","name":"X again"}])");
    // Each delta list is emptied by the reload after it and must stay so,
    // while a later one undoes what it did. A step drops one list, so that
    // a cut leaves it dropped or not.
    steps = {{"app restore", true},
             {"reload"},
             {"app put --add " + dir.file("add1.json"), true},
             {"reload"},
             {"app put --del " + dir.file("delx.json"), true},
             {"reload"},
             {"app put --add " + dir.file("addx.json"), true},
             {"reload"}};
  }

  void writeList(const std::string& name, int from, int count, const std::string& label) {
    std::string list = "[";
    for (int i = from; i < from + count; ++i) {
      char number[16];
      std::snprintf(number, sizeof number, "8210123400%02d", i);
      list += std::string(i > from ? "," : "") + "{\"number\":\"" + number + "\",\"name\":\"" + label + " " +
              std::to_string(i) + "\"}";
    }
    testing::writeFile(dir.file(name), list + "]");
  }

  static std::string settingsPath(const std::string& root) {
    return root + "/AppGroup/group.calldir.example/Library/Preferences/group.calldir.example.sqlite";
  }

  testing::CommandResult calldir(const std::string& root, const std::string& args, bool recorded = false) {
    std::string env = "CALLDIR_EXTENSION=" + std::string(CALLDIR_EXTENSION_BINARY) + " ";
    if (recorded) {
      env += "LD_PRELOAD=" + std::string(CALLDIR_SYSCALL_LOG_LIBRARY) +
             " CALLDIR_SYSCALL_LOG=" + testing::shellQuote(log) +
             " CALLDIR_SYSCALL_ROOT=" + testing::shellQuote(root) + " ";
    }
    return testing::runCommand(env + CALLDIR_BINARY + " --root " + testing::shellQuote(root) + " " + args +
                               " 2>>" + dir.file("stderr"));
  }

  void makeDevice(const std::string& root) {
    for (const std::string& args :
         std::vector<std::string>{"init", "enable", "bundle put-resource " + dir.file("resource.json")}) {
      ASSERT_EQ(calldir(root, args).status, 0) << args << ": " << testing::readFile(dir.file("stderr"));
    }
  }

  void mark(Op op, std::size_t step, int status) {
    std::string record =
        recordHeader(op, static_cast<std::uint64_t>(status), static_cast<std::int64_t>(step), 0, {}, {});
    std::string log_bytes = fs::exists(log) ? testing::readFile(log) : std::string();
    testing::writeFile(log, log_bytes + record);
  }

  // The entries after each step, from a device of its own that nothing
  // records: expected[0] before the first step, expected[i + 1] after step i.
  std::vector<std::string> expectedEntries() {
    const std::string twin = dir.file("twin");
    makeDevice(twin);
    std::vector<std::string> entries{calldir(twin, "entries").out};
    for (const Step& step : steps) {
      EXPECT_EQ(calldir(twin, step.args).status, 0) << step.args;
      entries.push_back(calldir(twin, "entries").out);
    }
    return entries;
  }

  // What is wrong with a device left by a cut after `done` steps ended (and
  // step `done` began, when `started`); empty when nothing is.
  std::string judge(const std::string& root, std::size_t done, bool started) {
    for (const std::string& path :
         std::vector<std::string>{root + "/CallDirectory/store.sqlite", settingsPath(root)}) {
      if (fs::exists(path) && integrityOf(path) != "ok") return path + ": " + integrityOf(path);
    }
    const auto before = calldir(root, "entries");
    const bool before_ok = before.out == expected[done] || (started && before.out == expected[done + 1]);
    if (before.status != 0 || !before_ok)
      return "the entries are of no state before or after:\n" + before.out;
    // One reload does what every step reported done asked for.
    auto recovered = [&](std::size_t d) {
      return d > 0 && steps[d - 1].leaves_work ? expected[d + 1] : expected[d];
    };
    if (const auto r = calldir(root, "reload"); r.status != 0) return "the next reload failed";
    const auto after = calldir(root, "entries");
    if (after.out != recovered(done) && !(started && after.out == recovered(done + 1))) {
      return "after one reload, the entries are\n" + after.out + "where they should be\n" + recovered(done);
    }
    return {};
  }

  struct Sweep {
    int cuts = 0;
    int faults = 0;
    std::string first_fault;
  };

  // Tries the cuts that `wanted` picks under `model`, the syncs that `lost`
  // picks taken as never done; the same device left twice is judged once.
  Sweep sweep(const PowerCut& power_cut, DiskModel model, const std::function<bool(std::size_t)>& wanted,
              const std::function<bool(const Record&)>& lost = nullptr) {
    Sweep result;
    std::set<std::string> judged;
    const auto& records = power_cut.records();
    std::size_t done = 0, started = 0;
    for (std::size_t cut = 0; cut <= records.size(); ++cut) {
      if (cut > 0 && records[cut - 1].op == Op::kBegin) ++started;
      if (cut > 0 && records[cut - 1].op == Op::kEnd) ++done;
      if (!wanted(cut)) continue;
      const Tree tree = power_cut.cutAt(cut, model, lost);
      std::string key = std::to_string(done) + "/" + std::to_string(started);
      for (const auto& [name, bytes] : tree) key += name + '\0' + bytes.value_or("<dir>") + '\0';
      if (!judged.insert(std::move(key)).second) continue;
      const std::string root = dir.file("cut");
      fs::remove_all(root);
      PowerCut::materialize(tree, root);
      ++result.cuts;
      if (std::string fault = judge(root, done, started > done); !fault.empty()) {
        if (result.faults++ == 0)
          result.first_fault = "cut before record " + std::to_string(cut) + ": " + fault;
      }
    }
    return result;
  }

  testing::TempDir dir;
  std::string log = dir.file("syscalls.log");
  std::vector<Step> steps;
  std::vector<std::string> expected;
};

bool isSync(const Record& r) { return r.op == Op::kSync || r.op == Op::kSyncDirectory; }

TEST_F(PowerLoss, NothingReportedDoneIsLostAtAnyCut) {
  expected = expectedEntries();
  ASSERT_EQ(expected.size(), steps.size() + 1);
  const std::string root = dir.file("device");
  makeDevice(root);
  // The containing application keeps the shared settings open, as it does
  // while it runs: no calldir process is then the last to close them, which
  // would fold (and sync) their log.
  HeldOpen application(settingsPath(root));
  ASSERT_TRUE(application.ok());
  ::sync();
  PowerCut power_cut(root);
  for (std::size_t i = 0; i < steps.size(); ++i) {
    mark(Op::kBegin, i, 0);
    const int status = calldir(root, steps[i].args, true).status;
    mark(Op::kEnd, i, status);
    ASSERT_EQ(status, 0) << steps[i].args << ": " << testing::readFile(dir.file("stderr"));
  }
  application.release();
  ASSERT_EQ(calldir(root, "entries").out, expected.back());
  auto records = parseRecords(testing::readFile(log));
  ASSERT_TRUE(records.has_value());
  power_cut.setRecords(std::move(*records));
  const auto& all = power_cut.records();

  // The extension syncs the shared settings once a request (and the folder
  // at most once), not once a status line: a delta list of a million
  // elements would otherwise wait on the disk a million times.
  for (std::size_t i = 0, step = 0, syncs = 0; i < all.size(); ++i) {
    const Record& r = all[i];
    if (r.op == Op::kBegin) step = static_cast<std::size_t>(r.offset), syncs = 0;
    syncs += isSync(r) && r.other == "calldir-extension" &&
             r.path.find("/Library/Preferences/") != std::string::npos;
    if (r.op == Op::kEnd && steps[step].args == "reload") {
      EXPECT_GE(syncs, 1u) << "step " << step;
      EXPECT_LE(syncs, 2u) << "step " << step;
    }
  }

  const char* cuts_env = std::getenv("CALLDIR_POWER_CUTS");
  const bool every = cuts_env != nullptr && std::string(cuts_env) == "all";
  auto after_step = [&](std::size_t cut) {
    return cut == all.size() || (cut > 0 && all[cut - 1].op == Op::kEnd);
  };
  // Every sync point (and, for a cache that keeps names, with "all", every
  // change of names too).
  auto pick = [&](DiskModel model) {
    return [&, model](std::size_t cut) {
      if (after_step(cut)) return true;
      const Op op = cut < all.size() ? all[cut].op : Op::kEnd;
      return op == Op::kSync || op == Op::kSyncDirectory ||
             (every && model == DiskModel::kWriteBack &&
              (op == Op::kCreate || op == Op::kRename || op == Op::kRemove));
    };
  };
  for (const DiskModel model : {DiskModel::kPosixMinimum, DiskModel::kWriteBack}) {
    const Sweep s = sweep(power_cut, model, pick(model));
    EXPECT_EQ(s.faults, 0) << s.first_fault;
    std::cout << (model == DiskModel::kPosixMinimum ? "POSIX minimum: " : "write-back cache: ") << s.cuts
              << " devices judged, " << s.faults << " faults\n";
  }

  // Each sync proves itself: without it, some cut after a step loses what
  // the step did (the POSIX minimum loses whatever a write-back cache does).
  const std::vector<std::pair<std::string, std::function<bool(const Record&)>>> syncs = {
      {"the sync of an applied list emptied",
       [](const Record& r) {
         return r.op == Op::kSync &&
                (r.path.ends_with("/callersAdd.json") || r.path.ends_with("/callersDel.json"));
       }},
      {"the sync of a dropped list's new file",
       [](const Record& r) {
         return r.op == Op::kSync && r.path.find("/AppGroup/") != std::string::npos &&
                r.path.find(".calldir-") != std::string::npos;
       }},
      {"the sync of the container folder after a rename",
       [](const Record& r) {
         return r.op == Op::kSyncDirectory && r.path.ends_with("/group.calldir.example");
       }},
      {"the syncs of the shared settings after a command's write",
       [](const Record& r) {
         return isSync(r) && r.path.find("/Library/Preferences/") != std::string::npos &&
                r.other == "calldir";
       }},
      {"the syncs of the extension's settings writes",
       [](const Record& r) {
         return isSync(r) && r.path.find("/Library/Preferences/") != std::string::npos &&
                r.other == "calldir-extension";
       }},
      {"the syncs of the store's state",
       [](const Record& r) { return isSync(r) && r.path.find("/store.sqlite") != std::string::npos; }},
      {"the sync of a generation file",
       [](const Record& r) { return r.op == Op::kSync && r.path.find("/entries-") != std::string::npos; }},
      {"the sync of the store's folder",
       [](const Record& r) { return r.op == Op::kSyncDirectory && r.path.ends_with("/CallDirectory"); }},
  };
  for (const auto& [what, lost] : syncs) {
    const int faults = sweep(power_cut, DiskModel::kPosixMinimum, after_step, lost).faults;
    EXPECT_GT(faults, 0) << "no cut finds a loss without " << what;
    std::cout << "without " << what << ": " << faults << " faults\n";
  }
}

}  // namespace
}  // namespace calldir::powerloss

#include "telephony/call_directory_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <utility>
#include <vector>

#include "base/fd.h"
#include "base/sqlite.h"

namespace calldir::telephony {

namespace sqlite = base::sqlite;
using base::Status;

namespace {

constexpr std::size_t kBatch = 256;

constexpr const char* kEntriesSchema =
    // A number's first label lives in `identification`, keyed by the number
    // itself (the fastest insert SQLite has); the rare further labels that
    // separate requests give the same number live in `more_labels`.
    "CREATE TABLE identification (number INTEGER PRIMARY KEY, label TEXT NOT NULL);"
    "CREATE TABLE more_labels (number INTEGER NOT NULL, label TEXT NOT NULL, PRIMARY KEY (number, label)) "
    "WITHOUT ROWID;"
    "CREATE TABLE blocking (number INTEGER PRIMARY KEY);";

std::string generationPath(const std::string& directory, std::int64_t generation) {
  return directory + "/entries-" + std::to_string(generation) + ".sqlite";
}

// Opens a generation that nobody will change again: no locks, no journal.
Status openGeneration(const std::string& path, sqlite::Connection& out) {
  sqlite3* raw = nullptr;
  const std::string uri = "file:" + path + "?immutable=1";
  const int rc = sqlite3_open_v2(uri.c_str(), &raw,
                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
  sqlite::Connection db(raw);
  if (rc != SQLITE_OK) return sqlite::error(raw, "cannot open " + path);
  out = std::move(db);
  return Status::Ok();
}

Status syncPath(const std::string& path, int flags) {
  base::FileDescriptor fd(::open(path.c_str(), flags | O_CLOEXEC));
  if (!fd.ok() || ::fsync(fd.get()) != 0) return base::errnoStatus("cannot make " + path + " durable", errno);
  return Status::Ok();
}

Status copyFile(const std::string& from, const std::string& to) {
  base::FileDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.ok()) return base::errnoStatus("cannot read " + from, errno);
  base::FileDescriptor out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (!out.ok()) return base::errnoStatus("cannot create " + to, errno);
  for (;;) {
    const ssize_t n = ::copy_file_range(in.get(), nullptr, out.get(), nullptr, 1 << 30, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return base::errnoStatus("cannot copy " + from, errno);
    if (n == 0) return Status::Ok();
  }
}

// The statements of one set of entries tables.
struct EntryStatements {
  sqlite::Statement insert_batch, insert, first_label, insert_more, remove, remove_more, insert_blocking,
      remove_blocking;

  bool prepare(sqlite3* db) {
    std::string batch_sql = "INSERT OR IGNORE INTO identification (number, label) VALUES (?, ?)";
    for (std::size_t i = 1; i < kBatch; ++i) batch_sql += ", (?, ?)";
    insert_batch = sqlite::Statement(db, batch_sql);
    insert = sqlite::Statement(db, "INSERT OR IGNORE INTO identification (number, label) VALUES (?1, ?2)");
    first_label = sqlite::Statement(db, "SELECT label FROM identification WHERE number = ?1");
    insert_more = sqlite::Statement(db, "INSERT OR IGNORE INTO more_labels (number, label) VALUES (?1, ?2)");
    remove = sqlite::Statement(db, "DELETE FROM identification WHERE number = ?1");
    remove_more = sqlite::Statement(db, "DELETE FROM more_labels WHERE number = ?1");
    insert_blocking = sqlite::Statement(db, "INSERT OR IGNORE INTO blocking (number) VALUES (?1)");
    remove_blocking = sqlite::Statement(db, "DELETE FROM blocking WHERE number = ?1");
    return insert_batch.valid() && insert.valid() && first_label.valid() && insert_more.valid() &&
           remove.valid() && remove_more.valid() && insert_blocking.valid() && remove_blocking.valid();
  }
};

}  // namespace

// The next generation, while a request builds it.
struct Build {
  std::int64_t generation = 0;
  std::string path;
  bool replace_all = false;
  bool started = false;  // the file exists: empty, or a copy of the current generation
  std::int64_t count = 0;
  std::int64_t added_since_flush = 0;
  sqlite::Connection db;
  EntryStatements statements;
  // Additions not yet written: numbers, and labels end to end in one text.
  std::vector<std::int64_t> numbers;
  std::vector<std::size_t> label_ends;
  std::string labels;
  std::optional<std::string> error;

  ~Build() {
    db.reset();
    if (!path.empty()) ::unlink(path.c_str());  // an uncommitted generation goes
  }
  void fail(const Status& s) {
    if (!error) error = s.message();
  }
  std::string_view label(std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : label_ends[i - 1];
    return std::string_view(labels).substr(begin, label_ends[i] - begin);
  }
  // Steps a changing statement; the rows it changed.
  std::int64_t change(sqlite::Statement& stmt) {
    if (stmt.run() != SQLITE_DONE) {
      fail(sqlite::error(db.get(), "cannot change the call directory store"));
      return 0;
    }
    return sqlite3_changes(db.get());
  }
};

struct CallDirectoryStore::Impl {
  std::string path;  // of the state
  std::string directory;
  sqlite::Connection state;
  sqlite::Statement get_state;
  sqlite::Statement set_state;
  bool legacy = false;  // the entries tables are in the state file, from before generation files
  std::int64_t generation = 0;
  std::int64_t entries = 0;
  sqlite::Connection reader;  // the current generation
  sqlite::Statement labels_for;
  std::optional<Build> build;

  std::optional<std::string> stateValue(std::string_view key) {
    get_state.bindText(1, key);
    std::optional<std::string> value;
    if (get_state.step() == SQLITE_ROW) value = std::string(get_state.columnText(0));
    get_state.reset();
    return value;
  }
  Status setState(std::string_view key, std::string_view value) {
    set_state.bindText(1, key);
    set_state.bindText(2, value);
    if (set_state.run() != SQLITE_DONE) return sqlite::error(state.get(), "cannot record the store's state");
    return Status::Ok();
  }
  // The database that holds the current entries, or null when there are none.
  sqlite3* entriesDb() { return legacy ? state.get() : reader.get(); }
  Status readPointer();
  Status startBuild();
  void writeBatch();
};

Status CallDirectoryStore::Impl::readPointer() {
  // A reader may find the generation it was pointed at already replaced and
  // deleted; it reads the pointer again.
  for (int attempt = 0;; ++attempt) {
    reader.reset();
    labels_for = sqlite::Statement();
    generation = std::stoll(stateValue("generation").value_or("0"));
    sqlite::Statement legacy_table(state.get(), "SELECT 1 FROM sqlite_master WHERE name = 'identification'");
    legacy = generation == 0 && legacy_table.step() == SQLITE_ROW;
    if (auto count = stateValue("entries")) {
      entries = std::stoll(*count);
    } else if (legacy) {
      sqlite::Statement all(
          state.get(), "SELECT (SELECT count(*) FROM identification) + (SELECT count(*) FROM more_labels)");
      entries = all.step() == SQLITE_ROW ? all.columnInt64(0) : 0;
    } else {
      entries = 0;
    }
    if (generation > 0) {
      Status s = openGeneration(generationPath(directory, generation), reader);
      if (!s.ok() && attempt < 3) continue;
      if (!s.ok()) return s;
    }
    if (sqlite3* db = entriesDb()) {
      labels_for = sqlite::Statement(db,
                                     "SELECT label FROM identification WHERE number = ?1 UNION "
                                     "SELECT label FROM more_labels WHERE number = ?1 ORDER BY label");
      if (!labels_for.valid()) return sqlite::error(db, "cannot read the call directory store");
    }
    return Status::Ok();
  }
}

CallDirectoryStore::CallDirectoryStore(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
CallDirectoryStore::~CallDirectoryStore() = default;

Status CallDirectoryStore::open(const std::string& path, std::unique_ptr<CallDirectoryStore>& out) {
  auto impl = std::make_unique<Impl>();
  impl->path = path;
  const std::size_t slash = path.rfind('/');
  impl->directory = slash == std::string::npos ? "." : path.substr(0, slash);
  if (auto s = sqlite::open(path, true, impl->state); !s.ok()) return s;
  sqlite3* db = impl->state.get();
  // The state names the generation to read; once it names a new one, the
  // old one is deleted, so its commits are made durable (FULL), not only
  // atomic.
  if (auto s = sqlite::exec(db,
                            "PRAGMA synchronous=FULL; CREATE TABLE IF NOT EXISTS state (key TEXT PRIMARY KEY "
                            "NOT NULL, value TEXT) WITHOUT ROWID;");
      !s.ok()) {
    return s.withContext("cannot open the call directory store " + path);
  }
  impl->get_state = sqlite::Statement(db, "SELECT value FROM state WHERE key = ?1");
  impl->set_state = sqlite::Statement(
      db,
      "INSERT INTO state (key, value) VALUES (?1, ?2) ON CONFLICT(key) DO UPDATE SET value = excluded.value");
  if (!impl->get_state.valid() || !impl->set_state.valid()) {
    return sqlite::error(db, "cannot prepare the call directory statements of " + path);
  }
  if (auto s = impl->readPointer(); !s.ok()) return s;
  out.reset(new CallDirectoryStore(std::move(impl)));
  return Status::Ok();
}

bool CallDirectoryStore::enabled() { return impl_->stateValue("enabled") == "1"; }

Status CallDirectoryStore::setEnabled(bool enabled) {
  return impl_->setState("enabled", enabled ? "1" : "0");
}

bool CallDirectoryStore::loaded() { return impl_->stateValue("loaded") == "1"; }

std::optional<std::string> CallDirectoryStore::lastRequest() { return impl_->stateValue("last_request"); }

Status CallDirectoryStore::setLastRequest(std::string_view json) {
  return impl_->setState("last_request", json);
}

std::int64_t CallDirectoryStore::entryCount() { return impl_->entries; }

std::int64_t CallDirectoryStore::blockingCount() {
  sqlite3* db = impl_->entriesDb();
  if (db == nullptr) return 0;
  sqlite::Statement count(db, "SELECT count(*) FROM blocking");
  return count.step() == SQLITE_ROW ? count.columnInt64(0) : 0;
}

std::vector<std::string> CallDirectoryStore::labelsFor(std::int64_t number) {
  std::vector<std::string> labels;
  sqlite::Statement& select = impl_->labels_for;
  if (!select.valid()) return labels;
  select.bindInt64(1, number);
  while (select.step() == SQLITE_ROW) labels.emplace_back(select.columnText(0));
  select.reset();
  return labels;
}

Status CallDirectoryStore::forEachEntry(
    const std::function<void(std::int64_t number, std::string_view label)>& visit) {
  sqlite3* db = impl_->entriesDb();
  if (db == nullptr) return Status::Ok();
  sqlite::Statement select(db,
                           "SELECT number, label FROM identification UNION ALL "
                           "SELECT number, label FROM more_labels ORDER BY number, label");
  int rc;
  while ((rc = select.step()) == SQLITE_ROW) visit(select.columnInt64(0), select.columnText(1));
  if (rc != SQLITE_DONE) return sqlite::error(db, "cannot read the call directory store");
  return Status::Ok();
}

namespace {

// Deletes generation files other than `current`: what crashed requests left,
// and generations replaced while a reader still held them.
void removeStrayGenerations(const std::string& directory, std::int64_t current) {
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return;
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    long long generation = 0;
    char tail[16] = {};
    if (std::sscanf(name.c_str(), "entries-%lld.sqlite%15s", &generation, tail) >= 1 &&
        generation != current) {
      ::unlink((directory + "/" + name).c_str());
    }
  }
  ::closedir(dir);
}

}  // namespace

Status CallDirectoryStore::begin(bool replace_all) {
  rollback();
  removeStrayGenerations(impl_->directory, impl_->generation);
  Build& build = impl_->build.emplace();
  build.generation = impl_->generation + 1;
  build.path = generationPath(impl_->directory, build.generation);
  build.replace_all = replace_all;
  build.count = replace_all ? 0 : impl_->entries;
  return Status::Ok();
}

// Makes the next generation's file: empty for a request that replaces every
// entry, else a copy of the current one. Done on the first change, so that
// a restore (whose first change removes everything) never copies.
Status CallDirectoryStore::Impl::startBuild() {
  Build& b = *build;
  const bool copy = !b.replace_all && generation > 0;
  if (copy) {
    if (Status s = copyFile(generationPath(directory, generation), b.path); !s.ok()) return s;
  }
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(b.path.c_str(), &raw,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  b.db.reset(raw);
  if (rc != SQLITE_OK) return sqlite::error(raw, "cannot create " + b.path);
  sqlite3* db = b.db.get();
  // Nobody reads the file before it is complete and durable, and a request
  // that fails deletes it: no journal, no syncs while it is written. Large
  // pages: a sixteenth of the pages and page look-ups of the default.
  if (Status s = sqlite::exec(db,
                              "PRAGMA page_size=65536; PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
                              "PRAGMA main.locking_mode=EXCLUSIVE; PRAGMA cache_size=-262144;");
      !s.ok()) {
    return s;
  }
  if (!copy) {
    if (Status s = sqlite::exec(db, kEntriesSchema); !s.ok()) return s;
  }
  if (!b.replace_all && legacy) {
    sqlite::Statement attach(db, "ATTACH DATABASE ?1 AS legacy");
    attach.bindText(1, path);
    if (attach.run() != SQLITE_DONE) return sqlite::error(db, "cannot read the stored entries");
    if (Status s = sqlite::exec(db,
                                "INSERT INTO identification SELECT * FROM legacy.identification;"
                                "INSERT INTO more_labels SELECT * FROM legacy.more_labels;"
                                "INSERT INTO blocking SELECT * FROM legacy.blocking; DETACH legacy;");
        !s.ok()) {
      return s.withContext("cannot move the stored entries into a generation file");
    }
  }
  if (Status s = sqlite::exec(db, "BEGIN"); !s.ok()) return s;
  if (!b.statements.prepare(db)) return sqlite::error(db, "cannot prepare the call directory statements");
  b.started = true;
  return Status::Ok();
}

namespace {

// The build, started; no value (and the request failed) when it cannot be.
Build* started(CallDirectoryStore::Impl& impl) {
  if (!impl.build) return nullptr;
  Build& b = *impl.build;
  if (b.error) return nullptr;
  if (!b.started) {
    if (Status s = impl.startBuild(); !s.ok()) {
      b.fail(s);
      return nullptr;
    }
  }
  return &b;
}

}  // namespace

void CallDirectoryStore::Impl::writeBatch() {
  Build& s = *build;
  const std::size_t n = s.numbers.size();
  if (n == 0 || !s.started) return;
  std::int64_t added = 0;
  std::size_t i = 0;
  // Whole batches through the many-row statement, the rest row by row.
  for (; i + kBatch <= n; i += kBatch) {
    for (std::size_t k = 0; k < kBatch; ++k) {
      s.statements.insert_batch.bindInt64(static_cast<int>(2 * k + 1), s.numbers[i + k]);
      s.statements.insert_batch.bindTextStatic(static_cast<int>(2 * k + 2), s.label(i + k));
    }
    added += s.change(s.statements.insert_batch);
  }
  for (; i < n; ++i) {
    s.statements.insert.bindInt64(1, s.numbers[i]);
    s.statements.insert.bindTextStatic(2, s.label(i));
    added += s.change(s.statements.insert);
  }
  if (added < static_cast<std::int64_t>(n)) {
    // Some numbers had a label already: keep each other label beside it.
    for (std::size_t k = 0; k < n; ++k) {
      s.statements.first_label.bindInt64(1, s.numbers[k]);
      const bool same = s.statements.first_label.step() == SQLITE_ROW &&
                        s.statements.first_label.columnText(0) == s.label(k);
      s.statements.first_label.reset();
      if (same) continue;
      s.statements.insert_more.bindInt64(1, s.numbers[k]);
      s.statements.insert_more.bindTextStatic(2, s.label(k));
      added += s.change(s.statements.insert_more);
    }
  }
  s.numbers.clear();
  s.label_ends.clear();
  s.labels.clear();
  s.count += added;
  s.added_since_flush += added;
}

void CallDirectoryStore::removeAll() {
  if (!impl_->build) return;
  Build& b = *impl_->build;
  if (!b.started) {
    b.replace_all = true;  // nothing to copy: the next generation starts empty
  } else {
    impl_->writeBatch();
    if (Status s = sqlite::exec(b.db.get(), "DELETE FROM identification; DELETE FROM more_labels"); !s.ok())
      b.fail(s);
  }
  b.count = 0;
}

void CallDirectoryStore::add(std::int64_t number, std::string_view label) {
  Build* b = started(*impl_);
  if (b == nullptr) return;
  b->numbers.push_back(number);
  b->labels.append(label);
  b->label_ends.push_back(b->labels.size());
  if (b->numbers.size() == kBatch) impl_->writeBatch();
}

std::int64_t CallDirectoryStore::flushAdds() {
  if (!impl_->build || !impl_->build->started) return 0;
  impl_->writeBatch();
  return std::exchange(impl_->build->added_since_flush, 0);
}

std::int64_t CallDirectoryStore::remove(std::int64_t number) {
  Build* b = started(*impl_);
  if (b == nullptr) return 0;
  impl_->writeBatch();
  b->statements.remove.bindInt64(1, number);
  std::int64_t removed = b->change(b->statements.remove);
  b->statements.remove_more.bindInt64(1, number);
  removed += b->change(b->statements.remove_more);
  b->count -= removed;
  return removed;
}

void CallDirectoryStore::addBlocking(std::int64_t number) {
  Build* b = started(*impl_);
  if (b == nullptr) return;
  impl_->writeBatch();
  b->statements.insert_blocking.bindInt64(1, number);
  b->change(b->statements.insert_blocking);
}

void CallDirectoryStore::removeBlocking(std::int64_t number) {
  Build* b = started(*impl_);
  if (b == nullptr) return;
  impl_->writeBatch();
  b->statements.remove_blocking.bindInt64(1, number);
  b->change(b->statements.remove_blocking);
}

Status CallDirectoryStore::commit() {
  if (!impl_->build) return Status::IoError("no request is open on the call directory store");
  Build& b = *impl_->build;
  // A request that changed nothing keeps the generation; one that removed
  // everything and added nothing still gets its (empty) generation.
  if (!b.started && b.replace_all && !b.error) started(*impl_);
  if (b.started) impl_->writeBatch();
  if (b.error) {
    const Status error = Status::IoError(*b.error);
    rollback();
    return error;
  }
  const bool switching = b.started;
  if (switching) {
    Status s = sqlite::exec(b.db.get(), "COMMIT");
    b.db.reset();
    if (s.ok()) s = syncPath(b.path, O_RDONLY);
    if (s.ok()) s = syncPath(impl_->directory, O_RDONLY | O_DIRECTORY);
    if (!s.ok()) {
      rollback();
      return s;
    }
  }
  sqlite::Transaction transaction(impl_->state.get());
  Status s = transaction.begin();
  if (s.ok() && switching) s = impl_->setState("generation", std::to_string(b.generation));
  if (s.ok() && switching) s = impl_->setState("entries", std::to_string(b.count));
  if (s.ok()) s = impl_->setState("loaded", "1");
  if (s.ok() && switching && impl_->legacy) {
    s = sqlite::exec(impl_->state.get(),
                     "DROP TABLE identification; DROP TABLE more_labels; DROP TABLE blocking;");
  }
  if (s.ok()) s = transaction.commit();
  if (!s.ok()) {
    rollback();
    return s;
  }
  const std::int64_t replaced = impl_->generation;
  if (switching) b.path.clear();  // the new generation stays
  impl_->build.reset();
  s = impl_->readPointer();
  if (switching && replaced > 0) ::unlink(generationPath(impl_->directory, replaced).c_str());
  return s;
}

void CallDirectoryStore::rollback() { impl_->build.reset(); }

}  // namespace calldir::telephony

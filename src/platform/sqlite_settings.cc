#include "platform/sqlite_settings.h"

#include "base/sqlite.h"

namespace calldir::platform {

namespace sqlite = base::sqlite;

struct SqliteSettingsStore::Impl {
  sqlite::Connection db;
  sqlite::Statement select;
  sqlite::Statement upsert;
  sqlite::Statement remove;
  sqlite::TransactionStatements transaction;
  bool checkpoints_deferred = false;
  // Writes not yet synchronized, in key order; no value marks a removal.
  std::map<std::string, std::optional<std::string>, std::less<>> pending;
};

// A handle: all state lives in the store, so a handle costs one pointer.
class SqliteSettings : public Settings {
 public:
  explicit SqliteSettings(SqliteSettingsStore& store) : store_(store) {}
  ~SqliteSettings() override {
    if (wrote_ && store_.hasPending()) store_.flush();
  }
  std::optional<std::string> objectForKey(std::string_view key) override { return store_.read(key); }
  void setObject(std::string_view value, std::string_view key) override {
    store_.write(key, value);
    wrote_ = true;
  }
  void removeObjectForKey(std::string_view key) override {
    store_.write(key, std::nullopt);
    wrote_ = true;
  }
  bool synchronize() override {
    wrote_ = false;
    return store_.flush();
  }

 private:
  SqliteSettingsStore& store_;
  bool wrote_ = false;
};

SqliteSettingsStore::SqliteSettingsStore(std::string path, std::string suite, std::unique_ptr<Impl> impl)
    : path_(std::move(path)), suite_(std::move(suite)), impl_(std::move(impl)) {}

base::Result<std::unique_ptr<SqliteSettingsStore>> SqliteSettingsStore::open(const std::string& path,
                                                                             std::string suite,
                                                                             base::Access access) {
  auto impl = std::make_unique<Impl>();
  auto db_opened = sqlite::open(path, access);
  if (!db_opened.ok()) return db_opened.status();
  impl->db = std::move(db_opened).value();
  sqlite3* db = impl->db.get();
  // A synchronize that succeeds is durable, synced before it returns
  // (synchronous=FULL): a write a command reports done survives a power cut
  // even while another process reads and holds back the checkpoint. The
  // extension defers that to its end (deferDurability, makeDurable).
  if (access != base::Access::kReadOnly) {
    if (auto s = sqlite::exec(db, "PRAGMA synchronous=FULL"); !s.ok()) {
      return s.withContext("cannot open the shared settings " + path);
    }
  }
  if (auto s = sqlite::exec(db,
                            "CREATE TABLE IF NOT EXISTS settings (key TEXT PRIMARY KEY NOT NULL, value) "
                            "WITHOUT ROWID");
      !s.ok()) {
    return s.withContext("cannot open the shared settings " + path);
  }
  impl->select = sqlite::Statement(db, "SELECT value FROM settings WHERE key = ?1");
  impl->upsert = sqlite::Statement(db,
                                   "INSERT INTO settings (key, value) VALUES (?1, ?2) ON CONFLICT(key) DO "
                                   "UPDATE SET value = excluded.value");
  impl->remove = sqlite::Statement(db, "DELETE FROM settings WHERE key = ?1");
  if (!impl->select.valid() || !impl->upsert.valid() || !impl->remove.valid() ||
      !impl->transaction.prepare(db)) {
    return sqlite::error(db, "cannot prepare the settings statements of " + path);
  }
  return std::unique_ptr<SqliteSettingsStore>(
      new SqliteSettingsStore(path, std::move(suite), std::move(impl)));
}

SqliteSettingsStore::~SqliteSettingsStore() {
  if (hasPending()) flush();
  if (impl_->checkpoints_deferred) {
    (void)sqlite::exec(impl_->db.get(), "PRAGMA wal_checkpoint(PASSIVE)");
  }
}

void SqliteSettingsStore::deferCheckpoints() {
  impl_->checkpoints_deferred = sqlite::exec(impl_->db.get(), "PRAGMA wal_autocheckpoint=0").ok();
}

void SqliteSettingsStore::deferDurability() {
  // NORMAL still syncs the WAL before a checkpoint copies it back.
  (void)sqlite::exec(impl_->db.get(), "PRAGMA synchronous=NORMAL");
}

base::Status SqliteSettingsStore::makeDurable() {
  if (!flush()) return sqlite::error(impl_->db.get(), "cannot write the shared settings " + path_);
  return sqlite::syncLog(impl_->db.get())
      .withContext("cannot make the shared settings " + path_ + " durable");
}

std::unique_ptr<Settings> SqliteSettingsStore::initWithSuiteName(std::string_view suite) {
  if (suite != suite_) return std::make_unique<UnavailableSettings>();
  return std::make_unique<SqliteSettings>(*this);
}

bool SqliteSettingsStore::hasPending() const { return !impl_->pending.empty(); }

std::optional<std::string> SqliteSettingsStore::read(std::string_view key) {
  if (auto it = impl_->pending.find(key); it != impl_->pending.end()) return it->second;
  sqlite::Statement& select = impl_->select;
  select.bindText(1, key);
  std::optional<std::string> value;
  if (select.step() == SQLITE_ROW && select.columnType(0) == SQLITE_TEXT) {
    const std::string_view text = select.columnText(0);
    if (text.size() <= kMaxValueBytes) value = std::string(text);
  }
  select.reset();
  return value;
}

void SqliteSettingsStore::write(std::string_view key, std::optional<std::string_view> value) {
  auto it = impl_->pending.find(key);
  if (it == impl_->pending.end()) it = impl_->pending.emplace(std::string(key), std::nullopt).first;
  it->second = value ? std::optional<std::string>(std::string(*value)) : std::nullopt;
}

bool SqliteSettingsStore::flush() {
  if (impl_->pending.empty()) return true;
  Impl& s = *impl_;
  // A group that cannot commit is dropped whole, rolled back: a write
  // reported as failed must not happen later, when this store closes or
  // another group synchronizes.
  auto pending = std::move(s.pending);
  s.pending.clear();
  sqlite::Transaction transaction(s.db.get(), &s.transaction);
  if (!transaction.begin().ok()) return false;
  for (const auto& [key, value] : pending) {
    sqlite::Statement& stmt = value ? s.upsert : s.remove;
    stmt.bindText(1, key);
    if (value) stmt.bindText(2, *value);
    if (stmt.run() != SQLITE_DONE) return false;
  }
  return transaction.commit().ok();
}

base::Result<SettingsSnapshot> SqliteSettingsStore::snapshot() {
  SettingsSnapshot out;
  sqlite::Statement all(impl_->db.get(), "SELECT key, value FROM settings WHERE typeof(value) = 'text'");
  if (!all.valid()) return sqlite::error(impl_->db.get(), "cannot read the shared settings " + path_);
  int rc;
  while ((rc = all.step()) == SQLITE_ROW)
    out[std::string(all.columnText(0))] = std::string(all.columnText(1));
  if (rc != SQLITE_DONE) return sqlite::error(impl_->db.get(), "cannot read the shared settings " + path_);
  applyPendingWrites(out, impl_->pending);
  return out;
}

base::Status SqliteSettingsStore::check() {
  sqlite::Statement quick_check(impl_->db.get(), "PRAGMA quick_check");
  if (!quick_check.valid())
    return sqlite::error(impl_->db.get(), "cannot check the shared settings " + path_);
  const int rc = quick_check.step();
  if (rc != SQLITE_ROW) return sqlite::error(impl_->db.get(), "cannot check the shared settings " + path_);
  if (quick_check.columnText(0) != "ok") {
    return base::Status::IoError("the shared settings " + path_ +
                                 " are damaged: " + std::string(quick_check.columnText(0)));
  }
  return base::Status::Ok();
}

}  // namespace calldir::platform

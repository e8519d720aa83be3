#include "platform/sqlite_settings.h"

#include "platform/sqlite.h"

namespace calldir::platform {

struct SqliteSettingsStore::Impl {
  sqlite::Connection db;
  sqlite::Statement select;
  sqlite::Statement upsert;
  sqlite::Statement remove;
  sqlite::Statement begin;
  sqlite::Statement commit;
  sqlite::Statement rollback;
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

namespace {

// The handle of a store that could not be opened or is not ours.
class LostSettings : public Settings {
 public:
  std::optional<std::string> objectForKey(std::string_view) override { return std::nullopt; }
  void setObject(std::string_view, std::string_view) override {}
  void removeObjectForKey(std::string_view) override {}
  bool synchronize() override { return false; }
};

}  // namespace

SqliteSettingsStore::SqliteSettingsStore(std::string path, std::string suite, bool create)
    : suite_(std::move(suite)) {
  auto impl = std::make_unique<Impl>();
  if (auto s = sqlite::open(path, create, impl->db); !s.ok) {
    error_ = s.message;
    return;
  }
  if (auto s = sqlite::exec(impl->db.get(),
                            "CREATE TABLE IF NOT EXISTS settings (key TEXT PRIMARY KEY NOT NULL, value) "
                            "WITHOUT ROWID");
      !s.ok) {
    error_ = s.message;
    return;
  }
  sqlite3* db = impl->db.get();
  impl->select = sqlite::Statement(db, "SELECT value FROM settings WHERE key = ?1");
  impl->upsert = sqlite::Statement(db,
                                   "INSERT INTO settings (key, value) VALUES (?1, ?2) ON CONFLICT(key) DO "
                                   "UPDATE SET value = excluded.value");
  impl->remove = sqlite::Statement(db, "DELETE FROM settings WHERE key = ?1");
  impl->begin = sqlite::Statement(db, "BEGIN IMMEDIATE");
  impl->commit = sqlite::Statement(db, "COMMIT");
  impl->rollback = sqlite::Statement(db, "ROLLBACK");
  if (!impl->select.valid() || !impl->upsert.valid() || !impl->remove.valid() || !impl->begin.valid() ||
      !impl->commit.valid() || !impl->rollback.valid()) {
    error_ = sqlite::error(db, "cannot prepare the settings statements of " + path).message;
    return;
  }
  impl_ = std::move(impl);
}

SqliteSettingsStore::~SqliteSettingsStore() {
  if (hasPending()) flush();
}

std::unique_ptr<Settings> SqliteSettingsStore::initWithSuiteName(std::string_view suite) {
  if (impl_ == nullptr || suite != suite_) return std::make_unique<LostSettings>();
  return std::make_unique<SqliteSettings>(*this);
}

bool SqliteSettingsStore::hasPending() const { return impl_ != nullptr && !impl_->pending.empty(); }

std::optional<std::string> SqliteSettingsStore::read(std::string_view key) {
  if (impl_ == nullptr) return std::nullopt;
  if (auto it = impl_->pending.find(key); it != impl_->pending.end()) return it->second;
  sqlite::Statement& select = impl_->select;
  select.bindText(1, key);
  std::optional<std::string> value;
  if (select.step() == SQLITE_ROW && select.columnType(0) == SQLITE_TEXT)
    value = std::string(select.columnText(0));
  select.reset();
  return value;
}

void SqliteSettingsStore::write(std::string_view key, std::optional<std::string_view> value) {
  if (impl_ == nullptr) return;
  auto it = impl_->pending.find(key);
  if (it == impl_->pending.end()) it = impl_->pending.emplace(std::string(key), std::nullopt).first;
  it->second = value ? std::optional<std::string>(std::string(*value)) : std::nullopt;
}

bool SqliteSettingsStore::flush() {
  if (impl_ == nullptr) return false;
  if (impl_->pending.empty()) return true;
  Impl& s = *impl_;
  const bool begun = s.begin.step() == SQLITE_DONE;
  s.begin.reset();
  if (!begun) return false;  // pending writes stay for the next synchronize
  bool ok = true;
  for (const auto& [key, value] : s.pending) {
    sqlite::Statement& stmt = value ? s.upsert : s.remove;
    stmt.bindText(1, key);
    if (value) stmt.bindText(2, *value);
    ok = stmt.step() == SQLITE_DONE && ok;
    stmt.reset();
    if (!ok) break;
  }
  if (ok) {
    ok = s.commit.step() == SQLITE_DONE;
    s.commit.reset();
  }
  if (!ok) {
    s.rollback.step();
    s.rollback.reset();
    return false;
  }
  s.pending.clear();
  return true;
}

std::optional<SettingsSnapshot> SqliteSettingsStore::snapshot() {
  if (impl_ == nullptr) return std::nullopt;
  sqlite::Statement all(impl_->db.get(), "SELECT key, value FROM settings WHERE typeof(value) = 'text'");
  if (!all.valid()) return std::nullopt;
  SettingsSnapshot values;
  int rc;
  while ((rc = all.step()) == SQLITE_ROW)
    values[std::string(all.columnText(0))] = std::string(all.columnText(1));
  if (rc != SQLITE_DONE) return std::nullopt;
  applyPendingWrites(values, impl_->pending);
  return values;
}

}  // namespace calldir::platform

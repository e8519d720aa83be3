#include "telephony/call_directory_store.h"

#include "platform/sqlite.h"

namespace calldir::telephony {

namespace sqlite = platform::sqlite;

struct CallDirectoryStore::Impl {
  sqlite::Connection db;
  sqlite::Statement insert;
  sqlite::Statement remove;
  sqlite::Statement insert_blocking;
  sqlite::Statement remove_blocking;
  bool in_transaction = false;
};

CallDirectoryStore::CallDirectoryStore(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

CallDirectoryStore::~CallDirectoryStore() {
  if (impl_ && impl_->in_transaction) rollback();
}

platform::Status CallDirectoryStore::open(const std::string& path, std::unique_ptr<CallDirectoryStore>& out) {
  auto impl = std::make_unique<Impl>();
  if (auto s = sqlite::open(path, true, impl->db); !s.ok) return s;
  sqlite3* db = impl->db.get();
  if (auto s = sqlite::exec(db,
                            "PRAGMA cache_size=-262144;"
                            "CREATE TABLE IF NOT EXISTS identification (number INTEGER NOT NULL, label TEXT NOT "
                            "NULL, PRIMARY KEY (number, label)) WITHOUT ROWID;"
                            "CREATE TABLE IF NOT EXISTS blocking (number INTEGER PRIMARY KEY);"
                            "CREATE TABLE IF NOT EXISTS state (key TEXT PRIMARY KEY NOT NULL, value TEXT) WITHOUT "
                            "ROWID;");
      !s.ok) {
    return s;
  }
  impl->insert = sqlite::Statement(db, "INSERT OR IGNORE INTO identification (number, label) VALUES (?1, ?2)");
  impl->remove = sqlite::Statement(db, "DELETE FROM identification WHERE number = ?1");
  impl->insert_blocking = sqlite::Statement(db, "INSERT OR IGNORE INTO blocking (number) VALUES (?1)");
  impl->remove_blocking = sqlite::Statement(db, "DELETE FROM blocking WHERE number = ?1");
  if (!impl->insert.valid() || !impl->remove.valid() || !impl->insert_blocking.valid() ||
      !impl->remove_blocking.valid()) {
    return sqlite::error(db, "cannot prepare the call directory statements of " + path);
  }
  out.reset(new CallDirectoryStore(std::move(impl)));
  return platform::Status::Ok();
}

namespace {

std::optional<std::string> stateValue(sqlite3* db, std::string_view key) {
  sqlite::Statement select(db, "SELECT value FROM state WHERE key = ?1");
  select.bindText(1, key);
  if (select.step() != SQLITE_ROW) return std::nullopt;
  return std::string(select.columnText(0));
}

platform::Status setState(sqlite3* db, std::string_view key, std::string_view value) {
  sqlite::Statement upsert(
      db, "INSERT INTO state (key, value) VALUES (?1, ?2) ON CONFLICT(key) DO UPDATE SET value = excluded.value");
  upsert.bindText(1, key);
  upsert.bindText(2, value);
  if (upsert.step() != SQLITE_DONE) return sqlite::error(db, "cannot record the extension's state");
  return platform::Status::Ok();
}

std::int64_t count(sqlite3* db, const char* sql) {
  sqlite::Statement select(db, sql);
  return select.step() == SQLITE_ROW ? select.columnInt64(0) : 0;
}

}  // namespace

bool CallDirectoryStore::enabled() { return stateValue(impl_->db.get(), "enabled") == "1"; }

platform::Status CallDirectoryStore::setEnabled(bool enabled) {
  return setState(impl_->db.get(), "enabled", enabled ? "1" : "0");
}

bool CallDirectoryStore::loaded() { return stateValue(impl_->db.get(), "loaded") == "1"; }

std::int64_t CallDirectoryStore::entryCount() { return count(impl_->db.get(), "SELECT count(*) FROM identification"); }

std::int64_t CallDirectoryStore::blockingCount() { return count(impl_->db.get(), "SELECT count(*) FROM blocking"); }

std::vector<std::string> CallDirectoryStore::labelsFor(std::int64_t number) {
  sqlite::Statement select(impl_->db.get(), "SELECT label FROM identification WHERE number = ?1 ORDER BY label");
  select.bindInt64(1, number);
  std::vector<std::string> labels;
  while (select.step() == SQLITE_ROW) labels.emplace_back(select.columnText(0));
  return labels;
}

platform::Status CallDirectoryStore::forEachEntry(
    const std::function<void(std::int64_t number, std::string_view label)>& visit) {
  sqlite::Statement select(impl_->db.get(), "SELECT number, label FROM identification ORDER BY number, label");
  int rc;
  while ((rc = select.step()) == SQLITE_ROW) visit(select.columnInt64(0), select.columnText(1));
  if (rc != SQLITE_DONE) return sqlite::error(impl_->db.get(), "cannot read the call directory store");
  return platform::Status::Ok();
}

platform::Status CallDirectoryStore::begin(bool replace_all) {
  operation_error_.reset();
  if (auto s = sqlite::exec(impl_->db.get(), "BEGIN IMMEDIATE"); !s.ok) return s;
  impl_->in_transaction = true;
  if (replace_all) removeAll();
  return platform::Status::Ok();
}

void CallDirectoryStore::removeAll() {
  if (auto s = sqlite::exec(impl_->db.get(), "DELETE FROM identification"); !s.ok && !operation_error_) {
    operation_error_ = s.message;
  }
}

namespace {

int stepChange(sqlite3* db, sqlite::Statement& stmt, std::optional<std::string>& error) {
  const int rc = stmt.step();
  stmt.reset();
  if (rc != SQLITE_DONE) {
    if (!error) error = sqlite::error(db, "cannot change the call directory store").message;
    return 0;
  }
  return sqlite3_changes(db);
}

}  // namespace

int CallDirectoryStore::add(std::int64_t number, std::string_view label) {
  impl_->insert.bindInt64(1, number);
  impl_->insert.bindText(2, label);
  return stepChange(impl_->db.get(), impl_->insert, operation_error_);
}

int CallDirectoryStore::remove(std::int64_t number) {
  impl_->remove.bindInt64(1, number);
  return stepChange(impl_->db.get(), impl_->remove, operation_error_);
}

void CallDirectoryStore::addBlocking(std::int64_t number) {
  impl_->insert_blocking.bindInt64(1, number);
  stepChange(impl_->db.get(), impl_->insert_blocking, operation_error_);
}

void CallDirectoryStore::removeBlocking(std::int64_t number) {
  impl_->remove_blocking.bindInt64(1, number);
  stepChange(impl_->db.get(), impl_->remove_blocking, operation_error_);
}

platform::Status CallDirectoryStore::commit() {
  if (operation_error_) {
    rollback();
    return platform::Status::Error(*operation_error_);
  }
  if (auto s = setState(impl_->db.get(), "loaded", "1"); !s.ok) {
    rollback();
    return s;
  }
  auto s = sqlite::exec(impl_->db.get(), "COMMIT");
  if (!s.ok) rollback();
  impl_->in_transaction = false;
  return s;
}

void CallDirectoryStore::rollback() {
  if (!impl_->in_transaction) return;
  (void)sqlite::exec(impl_->db.get(), "ROLLBACK");
  impl_->in_transaction = false;
}

}  // namespace calldir::telephony

#include "telephony/call_directory_store.h"

#include <optional>
#include <vector>

#include "base/sqlite.h"

namespace calldir::telephony {

namespace sqlite = base::sqlite;
using base::Status;

constexpr std::size_t kBatch = 64;

struct CallDirectoryStore::Impl {
  sqlite::Connection db;
  sqlite::Statement insert_batch;
  sqlite::Statement insert;
  sqlite::Statement first_label;
  sqlite::Statement insert_more;
  sqlite::Statement remove;
  sqlite::Statement remove_more;
  sqlite::Statement insert_blocking;
  sqlite::Statement remove_blocking;
  std::optional<sqlite::Transaction> transaction;  // the open request's
  // Gathered additions: numbers, and labels end to end in one text.
  std::vector<std::int64_t> numbers;
  std::vector<std::size_t> label_ends;
  std::string labels;

  void clearGathered() {
    numbers.clear();
    label_ends.clear();
    labels.clear();
  }
};

CallDirectoryStore::CallDirectoryStore(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

CallDirectoryStore::~CallDirectoryStore() = default;

Status CallDirectoryStore::open(const std::string& path, std::unique_ptr<CallDirectoryStore>& out) {
  auto impl = std::make_unique<Impl>();
  if (auto s = sqlite::open(path, true, impl->db); !s.ok()) return s;
  sqlite3* db = impl->db.get();
  if (auto s = sqlite::exec(
          db,
          "PRAGMA cache_size=-262144;"
          // A number's first label lives in `identification`, keyed by
          // the number itself (the fastest insert SQLite has); the
          // rare further labels that separate requests give the same
          // number live in `more_labels`.
          "CREATE TABLE IF NOT EXISTS identification (number INTEGER PRIMARY KEY, label TEXT NOT "
          "NULL);"
          "CREATE TABLE IF NOT EXISTS more_labels (number INTEGER NOT NULL, label TEXT NOT NULL, "
          "PRIMARY KEY (number, label)) WITHOUT ROWID;"
          "CREATE TABLE IF NOT EXISTS blocking (number INTEGER PRIMARY KEY);"
          "CREATE TABLE IF NOT EXISTS state (key TEXT PRIMARY KEY NOT NULL, value TEXT) WITHOUT "
          "ROWID;");
      !s.ok()) {
    return s;
  }
  std::string batch_sql = "INSERT OR IGNORE INTO identification (number, label) VALUES (?, ?)";
  for (std::size_t i = 1; i < kBatch; ++i) batch_sql += ", (?, ?)";
  impl->insert_batch = sqlite::Statement(db, batch_sql);
  impl->insert =
      sqlite::Statement(db, "INSERT OR IGNORE INTO identification (number, label) VALUES (?1, ?2)");
  impl->first_label = sqlite::Statement(db, "SELECT label FROM identification WHERE number = ?1");
  impl->insert_more =
      sqlite::Statement(db, "INSERT OR IGNORE INTO more_labels (number, label) VALUES (?1, ?2)");
  impl->remove = sqlite::Statement(db, "DELETE FROM identification WHERE number = ?1");
  impl->remove_more = sqlite::Statement(db, "DELETE FROM more_labels WHERE number = ?1");
  impl->insert_blocking = sqlite::Statement(db, "INSERT OR IGNORE INTO blocking (number) VALUES (?1)");
  impl->remove_blocking = sqlite::Statement(db, "DELETE FROM blocking WHERE number = ?1");
  if (!impl->insert_batch.valid() || !impl->insert.valid() || !impl->first_label.valid() ||
      !impl->insert_more.valid() || !impl->remove.valid() || !impl->remove_more.valid() ||
      !impl->insert_blocking.valid() || !impl->remove_blocking.valid()) {
    return sqlite::error(db, "cannot prepare the call directory statements of " + path);
  }
  out.reset(new CallDirectoryStore(std::move(impl)));
  return Status::Ok();
}

namespace {

std::optional<std::string> stateValue(sqlite3* db, std::string_view key) {
  sqlite::Statement select(db, "SELECT value FROM state WHERE key = ?1");
  select.bindText(1, key);
  if (select.step() != SQLITE_ROW) return std::nullopt;
  return std::string(select.columnText(0));
}

Status setState(sqlite3* db, std::string_view key, std::string_view value) {
  sqlite::Statement upsert(
      db,
      "INSERT INTO state (key, value) VALUES (?1, ?2) ON CONFLICT(key) DO UPDATE SET value = excluded.value");
  upsert.bindText(1, key);
  upsert.bindText(2, value);
  if (upsert.step() != SQLITE_DONE) return sqlite::error(db, "cannot record the extension's state");
  return Status::Ok();
}

std::int64_t count(sqlite3* db, const char* sql) {
  sqlite::Statement select(db, sql);
  return select.step() == SQLITE_ROW ? select.columnInt64(0) : 0;
}

}  // namespace

bool CallDirectoryStore::enabled() { return stateValue(impl_->db.get(), "enabled") == "1"; }

Status CallDirectoryStore::setEnabled(bool enabled) {
  return setState(impl_->db.get(), "enabled", enabled ? "1" : "0");
}

bool CallDirectoryStore::loaded() { return stateValue(impl_->db.get(), "loaded") == "1"; }

std::optional<std::string> CallDirectoryStore::lastRequest() {
  return stateValue(impl_->db.get(), "last_request");
}

Status CallDirectoryStore::setLastRequest(std::string_view json) {
  return setState(impl_->db.get(), "last_request", json);
}

std::int64_t CallDirectoryStore::entryCount() {
  return count(impl_->db.get(),
               "SELECT (SELECT count(*) FROM identification) + (SELECT count(*) FROM more_labels)");
}

std::int64_t CallDirectoryStore::blockingCount() {
  return count(impl_->db.get(), "SELECT count(*) FROM blocking");
}

std::vector<std::string> CallDirectoryStore::labelsFor(std::int64_t number) {
  sqlite::Statement select(impl_->db.get(),
                           "SELECT label FROM identification WHERE number = ?1 UNION "
                           "SELECT label FROM more_labels WHERE number = ?1 ORDER BY label");
  select.bindInt64(1, number);
  std::vector<std::string> labels;
  while (select.step() == SQLITE_ROW) labels.emplace_back(select.columnText(0));
  return labels;
}

Status CallDirectoryStore::forEachEntry(
    const std::function<void(std::int64_t number, std::string_view label)>& visit) {
  sqlite::Statement select(impl_->db.get(),
                           "SELECT number, label FROM identification UNION ALL "
                           "SELECT number, label FROM more_labels ORDER BY number, label");
  int rc;
  while ((rc = select.step()) == SQLITE_ROW) visit(select.columnInt64(0), select.columnText(1));
  if (rc != SQLITE_DONE) return sqlite::error(impl_->db.get(), "cannot read the call directory store");
  return Status::Ok();
}

Status CallDirectoryStore::begin(bool replace_all) {
  operation_error_.reset();
  impl_->clearGathered();
  impl_->transaction.emplace(impl_->db.get());
  if (auto s = impl_->transaction->begin(); !s.ok()) return s;
  if (replace_all) removeAll();
  return Status::Ok();
}

void CallDirectoryStore::removeAll() {
  flushAdds();
  if (auto s = sqlite::exec(impl_->db.get(), "DELETE FROM identification; DELETE FROM more_labels");
      !s.ok() && !operation_error_) {
    operation_error_ = s.message();
  }
}

namespace {

int stepChange(sqlite3* db, sqlite::Statement& stmt, std::optional<std::string>& error) {
  if (stmt.run() != SQLITE_DONE) {
    if (!error) error = sqlite::error(db, "cannot change the call directory store").message();
    return 0;
  }
  return sqlite3_changes(db);
}

}  // namespace

void CallDirectoryStore::add(std::int64_t number, std::string_view label) {
  impl_->numbers.push_back(number);
  impl_->labels.append(label);
  impl_->label_ends.push_back(impl_->labels.size());
}

std::int64_t CallDirectoryStore::flushAdds() {
  Impl& s = *impl_;
  const std::size_t n = s.numbers.size();
  if (n == 0) return 0;
  auto label = [&](std::size_t i) {
    const std::size_t begin = i == 0 ? 0 : s.label_ends[i - 1];
    return std::string_view(s.labels).substr(begin, s.label_ends[i] - begin);
  };
  std::int64_t added = 0;
  std::size_t i = 0;
  // Whole batches through the many-row statement, the rest row by row.
  for (; i + kBatch <= n; i += kBatch) {
    for (std::size_t k = 0; k < kBatch; ++k) {
      s.insert_batch.bindInt64(static_cast<int>(2 * k + 1), s.numbers[i + k]);
      s.insert_batch.bindTextStatic(static_cast<int>(2 * k + 2), label(i + k));
    }
    added += stepChange(s.db.get(), s.insert_batch, operation_error_);
  }
  for (; i < n; ++i) {
    s.insert.bindInt64(1, s.numbers[i]);
    s.insert.bindTextStatic(2, label(i));
    added += stepChange(s.db.get(), s.insert, operation_error_);
  }
  if (added < static_cast<std::int64_t>(n)) {
    // Some numbers had a label already: keep each other label beside it.
    for (std::size_t k = 0; k < n; ++k) {
      s.first_label.bindInt64(1, s.numbers[k]);
      const bool same = s.first_label.step() == SQLITE_ROW && s.first_label.columnText(0) == label(k);
      s.first_label.reset();
      if (same) continue;
      s.insert_more.bindInt64(1, s.numbers[k]);
      s.insert_more.bindTextStatic(2, label(k));
      added += stepChange(s.db.get(), s.insert_more, operation_error_);
    }
  }
  s.clearGathered();
  return added;
}

std::int64_t CallDirectoryStore::remove(std::int64_t number) {
  flushAdds();
  impl_->remove.bindInt64(1, number);
  const int removed = stepChange(impl_->db.get(), impl_->remove, operation_error_);
  impl_->remove_more.bindInt64(1, number);
  return removed + stepChange(impl_->db.get(), impl_->remove_more, operation_error_);
}

void CallDirectoryStore::addBlocking(std::int64_t number) {
  flushAdds();
  impl_->insert_blocking.bindInt64(1, number);
  stepChange(impl_->db.get(), impl_->insert_blocking, operation_error_);
}

void CallDirectoryStore::removeBlocking(std::int64_t number) {
  flushAdds();
  impl_->remove_blocking.bindInt64(1, number);
  stepChange(impl_->db.get(), impl_->remove_blocking, operation_error_);
}

Status CallDirectoryStore::commit() {
  flushAdds();
  if (operation_error_) {
    rollback();
    return Status::IoError(*operation_error_);
  }
  if (!impl_->transaction || !impl_->transaction->active()) {
    return Status::IoError("no request is open on the call directory store");
  }
  if (auto s = setState(impl_->db.get(), "loaded", "1"); !s.ok()) {
    rollback();
    return s;
  }
  Status s = impl_->transaction->commit();
  impl_->transaction.reset();
  return s;
}

void CallDirectoryStore::rollback() {
  impl_->clearGathered();
  impl_->transaction.reset();  // rolls back when still open
}

}  // namespace calldir::telephony

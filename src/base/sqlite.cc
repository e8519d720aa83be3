#include "base/sqlite.h"

#include <sys/stat.h>

#include <cerrno>

#include "base/uri.h"

namespace calldir::base::sqlite {

Status error(sqlite3* db, std::string_view what) {
  const int code = db != nullptr ? sqlite3_extended_errcode(db) : SQLITE_ERROR;
  const char* message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
  return Status::IoError(std::string(what) + ": " + message + " (code " + std::to_string(code) + ")");
}

Statement::Statement(sqlite3* db, std::string_view sql) {
  if (sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt_,
                         nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(stmt_);
    stmt_ = other.stmt_;
    other.stmt_ = nullptr;
  }
  return *this;
}

void Statement::bindText(int index, std::string_view text) {
  sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void Statement::bindTextStatic(int index, std::string_view text) {
  sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

void Statement::bindInt64(int index, sqlite3_int64 value) { sqlite3_bind_int64(stmt_, index, value); }

int Statement::step() { return sqlite3_step(stmt_); }

void Statement::reset() { sqlite3_reset(stmt_); }

int Statement::run() {
  const int rc = sqlite3_step(stmt_);
  sqlite3_reset(stmt_);
  return rc;
}

std::string_view Statement::columnText(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  if (text == nullptr) return {};
  return {text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))};
}

sqlite3_int64 Statement::columnInt64(int column) const { return sqlite3_column_int64(stmt_, column); }

int Statement::columnType(int column) const { return sqlite3_column_type(stmt_, column); }

bool TransactionStatements::prepare(sqlite3* db) {
  begin = Statement(db, "BEGIN IMMEDIATE");
  commit = Statement(db, "COMMIT");
  rollback = Statement(db, "ROLLBACK");
  return begin.valid() && commit.valid() && rollback.valid();
}

namespace {

Status runPrepared(sqlite3* db, Statement& statement, std::string_view what) {
  if (statement.run() != SQLITE_DONE) return error(db, what);
  return Status::Ok();
}

}  // namespace

Status Transaction::begin() {
  Status s = prepared_ != nullptr ? runPrepared(db_, prepared_->begin, "cannot begin a transaction")
                                  : exec(db_, "BEGIN IMMEDIATE");
  if (!s.ok()) return s;
  active_ = true;
  return Status::Ok();
}

Status Transaction::commit() {
  Status s =
      prepared_ != nullptr ? runPrepared(db_, prepared_->commit, "cannot commit") : exec(db_, "COMMIT");
  if (!s.ok()) {
    rollback();
    return s;
  }
  active_ = false;
  return s;
}

void Transaction::rollback() {
  if (!active_) return;
  active_ = false;
  // A failed statement may have rolled back already; then there is nothing
  // left to undo.
  if (sqlite3_get_autocommit(db_)) return;
  if (prepared_ != nullptr) {
    (void)prepared_->rollback.run();
  } else {
    (void)exec(db_, "ROLLBACK");
  }
}

std::string fileUri(const std::string& path) {
  return (path.starts_with('/') ? "file://" : "file:") + uriPath(path);
}

namespace {

Result<Connection> openWith(const std::string& name, int flags, const std::string& path) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(name.c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  Connection db(raw);
  if (rc != SQLITE_OK) return error(raw, "cannot open " + path);
  sqlite3_busy_timeout(db.get(), 30000);
  return db;
}

// Reads the schema, which is where a read-only open that cannot set up its
// shared memory fails.
int readSchema(sqlite3* db) {
  Statement schema(db, "SELECT count(*) FROM sqlite_master");
  if (!schema.valid()) return sqlite3_errcode(db);
  const int rc = schema.step();
  return rc == SQLITE_ROW ? SQLITE_OK : rc;
}

// True when the write-ahead log of `path` holds nothing: missing or empty.
bool noWriteAheadLog(const std::string& path) {
  struct stat st {};
  return ::stat((path + "-wal").c_str(), &st) != 0 ? errno == ENOENT : st.st_size == 0;
}

Result<Connection> openReadOnly(const std::string& path) {
  auto db = openWith(path, SQLITE_OPEN_READONLY, path);
  if (!db.ok()) return db;
  const int rc = readSchema(db->get());
  if (rc == SQLITE_OK) return db;
  // A WAL database opened by a reader that may not create its shared memory
  // file (a read-only file system, another user's folder). With no log, the
  // main file holds every commit, and is read as it stands.
  if ((rc & 0xff) != SQLITE_CANTOPEN || !noWriteAheadLog(path))
    return error(db->get(), "cannot read " + path);
  auto immutable = openWith(fileUri(path) + "?immutable=1", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, path);
  if (!immutable.ok()) return immutable;
  if (readSchema(immutable->get()) != SQLITE_OK) return error(immutable->get(), "cannot read " + path);
  return immutable;
}

}  // namespace

Result<Connection> open(const std::string& path, base::Access access) {
  if (access == Access::kReadOnly) return openReadOnly(path);
  const int flags = SQLITE_OPEN_READWRITE | (access == Access::kCreate ? SQLITE_OPEN_CREATE : 0);
  auto db = openWith(path, flags, path);
  if (!db.ok()) return db;
  // WAL lets readers and one writer work at once; NORMAL keeps each commit
  // atomic (a crash loses no part of a committed group) without an fsync per
  // commit.
  if (Status s = exec(db->get(), "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"); !s.ok()) {
    return s.withContext("cannot open " + path);
  }
#if defined(__APPLE__)
  // There fsync reaches only the drive's cache; a sync must reach the disk.
  if (Status s = exec(db->get(), "PRAGMA fullfsync=ON; PRAGMA checkpoint_fullfsync=ON;"); !s.ok()) {
    return s.withContext("cannot open " + path);
  }
#endif
  return db;
}

Status syncLog(sqlite3* db) {
  sqlite3_file* log = nullptr;
  if (const int rc = sqlite3_file_control(db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &log); rc != SQLITE_OK) {
    return error(db, "cannot find the write-ahead log");
  }
  if (log == nullptr || log->pMethods == nullptr) return Status::Ok();  // no log open: nothing in one
#if defined(__APPLE__)
  const int flags = SQLITE_SYNC_FULL;  // F_FULLFSYNC, as fullfsync=ON has SQLite's own syncs do
#else
  const int flags = SQLITE_SYNC_NORMAL;
#endif
  if (const int rc = log->pMethods->xSync(log, flags); rc != SQLITE_OK) {
    return Status::IoError("cannot sync the write-ahead log: " + std::string(sqlite3_errstr(rc)) + " (code " +
                           std::to_string(rc) + ")");
  }
  return Status::Ok();
}

Status exec(sqlite3* db, std::string_view sql) {
  char* message = nullptr;
  const int rc = sqlite3_exec(db, std::string(sql).c_str(), nullptr, nullptr, &message);
  if (rc != SQLITE_OK) {
    std::string text = message != nullptr ? message : sqlite3_errstr(rc);
    sqlite3_free(message);
    return Status::IoError("SQLite: " + text + " (code " + std::to_string(rc) + ")");
  }
  return Status::Ok();
}

}  // namespace calldir::base::sqlite

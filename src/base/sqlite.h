// Small RAII wrappers for SQLite connections, statements and transactions,
// with errors translated into one message form in one place. SQLite types
// stay in the .cc files of the stores that use them.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>

#include "base/access.h"
#include "base/result.h"
#include "base/status.h"

namespace calldir::base::sqlite {

// An I/O error "<what>: <SQLite's message> (code N)".
Status error(sqlite3* db, std::string_view what);

struct ConnectionDeleter {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, ConnectionDeleter>;

class Statement {
 public:
  Statement() = default;
  // Prepares `sql`; `valid()` tells whether that worked.
  Statement(sqlite3* db, std::string_view sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  Statement(Statement&& other) noexcept : stmt_(other.stmt_) { other.stmt_ = nullptr; }
  Statement& operator=(Statement&& other) noexcept;

  bool valid() const { return stmt_ != nullptr; }

  void bindText(int index, std::string_view text);
  // Binds without a copy: `text` must stay valid until the next step.
  void bindTextStatic(int index, std::string_view text);
  void bindInt64(int index, sqlite3_int64 value);
  // Steps once: SQLITE_ROW, SQLITE_DONE or an error code. The statement
  // stays where it is, so that rows can be read.
  int step();
  // Makes the statement ready to run again; bindings stay until rebound.
  void reset();
  // Steps a statement that returns no rows once and resets it: SQLITE_DONE
  // or an error code.
  int run();

  std::string_view columnText(int column) const;
  sqlite3_int64 columnInt64(int column) const;
  int columnType(int column) const;

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// BEGIN IMMEDIATE, COMMIT and ROLLBACK prepared once, for a connection that
// runs many short transactions.
struct TransactionStatements {
  Statement begin;
  Statement commit;
  Statement rollback;
  bool prepare(sqlite3* db);
};

// A transaction that rolls back unless it is committed: the destructor of
// an uncommitted one undoes everything it did.
class Transaction {
 public:
  explicit Transaction(sqlite3* db, TransactionStatements* prepared = nullptr)
      : db_(db), prepared_(prepared) {}
  ~Transaction() { rollback(); }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  // BEGIN IMMEDIATE: takes the write lock now, waiting as the busy timeout
  // allows, so that no later statement finds the store locked.
  Status begin();
  Status commit();
  // Undoes the transaction if it is open; does nothing otherwise.
  void rollback();
  bool active() const { return active_; }

 private:
  sqlite3* db_;
  TransactionStatements* prepared_;
  bool active_ = false;
};

// Opens the database at `path` with a busy timeout, so that other processes
// reading and writing at the same time never make a call fail; a writable
// one is put in WAL mode. A read-only open works on a read-only file system
// and for a user who may not write the folder: while no write-ahead log
// holds commits, it reads the main file as it stands.
Result<Connection> open(const std::string& path, base::Access access);

// `path` as an SQLite file URI, every byte a URI gives a meaning to escaped,
// so that a path is never read as a query or as another file's name.
std::string fileUri(const std::string& path);

// Runs `sql` (no results).
Status exec(sqlite3* db, std::string_view sql);

// Syncs the write-ahead log of `db` (and, once, its folder) to the disk, as
// a commit under synchronous=FULL would: every transaction committed so far
// becomes durable, while other connections may hold reads open.
Status syncLog(sqlite3* db);

}  // namespace calldir::base::sqlite

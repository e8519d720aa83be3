// Small RAII wrappers for SQLite connections and statements, with errors
// translated into one message form in one place. SQLite types stay in the
// .cc files of the stores that use them.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace calldir::platform::sqlite {

using platform::Status;

// "<what>: <SQLite's message> (code N)".
Status error(sqlite3* db, std::string_view what);

struct ConnectionDeleter {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, ConnectionDeleter>;

class Statement {
 public:
  Statement() = default;
  Statement(sqlite3* db, std::string_view sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  Statement(Statement&& other) noexcept : stmt_(other.stmt_) { other.stmt_ = nullptr; }
  Statement& operator=(Statement&& other) noexcept;

  bool valid() const { return stmt_ != nullptr; }
  sqlite3_stmt* get() const { return stmt_; }

  void bindText(int index, std::string_view text);
  // Binds without a copy: `text` must stay valid until the next step.
  void bindTextStatic(int index, std::string_view text);
  void bindInt64(int index, sqlite3_int64 value);
  // Steps once: SQLITE_ROW, SQLITE_DONE or an error code.
  int step();
  // Makes the statement ready to run again; bindings stay until rebound.
  void reset();

  std::string_view columnText(int column) const;
  sqlite3_int64 columnInt64(int column) const;
  int columnType(int column) const;

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// Opens (creating when asked) the database at `path` in WAL mode with a busy
// timeout, so that other processes reading and writing at the same time
// never make a call fail.
Status open(const std::string& path, bool create, Connection& out);

// Runs `sql` (no results).
Status exec(sqlite3* db, std::string_view sql);

}  // namespace calldir::platform::sqlite

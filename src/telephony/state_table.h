// The table that keeps the call directory store's state: one small table in `store.sqlite`,
// state(key TEXT PRIMARY KEY, value TEXT), with the current generation of
// entries, their count, whether the user enabled the extension and whether
// it has loaded, and the service's note on the last request. Every value is
// read strictly: one that is not what the service writes (not a number, out
// of range, empty, NULL, a note that is not a JSON object) makes the store
// damaged, an I/O error that names the file, never a guess.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "base/sqlite.h"
#include "telephony/store_state.h"

namespace calldir::telephony {

// The state table of one store file.
class StateTable {
 public:
  // Creates the table when missing and prepares its statements. `path`
  // names the file in errors.
  static base::Result<StateTable> open(sqlite3* db, std::string path);

  base::Result<StoreState> read();

  // Each records one value; errors name the file.
  base::Status setEnabled(bool enabled);
  base::Status setDamaged(bool damaged);
  base::Status setLastRequest(std::string_view json);
  // The switch to a new generation, within the caller's transaction.
  base::Status recordGeneration(std::int64_t generation, std::int64_t entries);
  base::Status recordLoaded(bool loaded = true);

 private:
  StateTable(sqlite3* db, std::string path);
  base::Status set(std::string_view key, std::string_view value);

  sqlite3* db_;
  std::string path_;
  base::sqlite::Statement select_;
  base::sqlite::Statement upsert_;
};

}  // namespace calldir::telephony

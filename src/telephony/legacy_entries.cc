#include "telephony/legacy_entries.h"

#include "base/sqlite.h"

namespace calldir::telephony {

namespace sqlite = base::sqlite;

bool hasLegacyEntries(sqlite3* db) {
  sqlite::Statement table(db, "SELECT 1 FROM sqlite_master WHERE name = 'identification'");
  return table.step() == SQLITE_ROW;
}

base::Result<std::int64_t> countLegacyEntries(sqlite3* db) {
  sqlite::Statement all(db,
                        "SELECT (SELECT count(*) FROM identification) + (SELECT count(*) FROM more_labels)");
  if (!all.valid() || all.step() != SQLITE_ROW) return sqlite::error(db, "cannot count the stored entries");
  return all.columnInt64(0);
}

base::Status copyLegacyEntries(sqlite3* generation, const std::string& state_path) {
  sqlite::Statement attach(generation, "ATTACH DATABASE ?1 AS legacy");
  attach.bindText(1, state_path);
  if (attach.run() != SQLITE_DONE) return sqlite::error(generation, "cannot read the stored entries");
  return sqlite::exec(generation,
                      "INSERT INTO identification SELECT * FROM legacy.identification;"
                      "INSERT INTO more_labels SELECT * FROM legacy.more_labels;"
                      "INSERT INTO blocking SELECT * FROM legacy.blocking; DETACH legacy;")
      .withContext("cannot move the stored entries into a generation file");
}

base::Status dropLegacyEntries(sqlite3* db) {
  return sqlite::exec(db, "DROP TABLE identification; DROP TABLE more_labels; DROP TABLE blocking;");
}

}  // namespace calldir::telephony

// Stores written before generation files kept their entries tables in
// `store.sqlite` itself. Such a store is read where it is; the next request
// that changes entries moves them into its generation file and drops the
// old tables in the same transaction that switches to it. Everything that
// knows about that layout is here.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "base/result.h"

namespace calldir::telephony {

// True when the state database `db` still holds the entries tables.
bool hasLegacyEntries(sqlite3* db);

// How many identification entries the legacy tables hold.
base::Result<std::int64_t> countLegacyEntries(sqlite3* db);

// Copies the legacy entries of the store file `state_path` into the
// generation being written on `generation`.
base::Status copyLegacyEntries(sqlite3* generation, const std::string& state_path);

// Drops the legacy tables from the state database, within the caller's
// transaction.
base::Status dropLegacyEntries(sqlite3* db);

}  // namespace calldir::telephony

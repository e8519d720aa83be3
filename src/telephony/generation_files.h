// The generation files of the call directory store: `entries-<n>.sqlite`
// beside `store.sqlite`, one set of entries each, written once by one
// request and never changed after it became current. The name and its
// parser live here side by side.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "base/sqlite.h"

namespace calldir::telephony {

// The tables of a generation. A number's first label lives in
// `identification`, keyed by the number itself (the fastest insert SQLite
// has); the rare further labels that separate requests give the same number
// live in `more_labels`.
inline constexpr const char* kEntriesSchema =
    "CREATE TABLE identification (number INTEGER PRIMARY KEY, label TEXT NOT NULL);"
    "CREATE TABLE more_labels (number INTEGER NOT NULL, label TEXT NOT NULL, PRIMARY KEY (number, label)) "
    "WITHOUT ROWID;"
    "CREATE TABLE blocking (number INTEGER PRIMARY KEY);";

// "<directory>/entries-<generation>.sqlite".
std::string generationPath(const std::string& directory, std::int64_t generation);

// The generation a file name such as "entries-7.sqlite" (or one of SQLite's
// companions, "entries-7.sqlite-journal") belongs to; no value for any other.
std::optional<std::int64_t> generationOfFileName(std::string_view name);

// Deletes the generation files in `directory` other than `current`'s: what
// crashed requests left, and generations replaced while a reader held them.
void removeStrayGenerations(const std::string& directory, std::int64_t current);

// Opens a current generation to read: no locks, no journal, as nobody
// changes it again. A file that is missing, truncated or not one is an I/O
// error that names it.
base::Result<base::sqlite::Connection> openGeneration(const std::string& path);

// Makes `path` (a file, or with `directory` set a folder) durable.
base::Status syncPath(const std::string& path, bool directory);

// Copies the file `from` to a new file `to`.
base::Status copyFile(const std::string& from, const std::string& to);

}  // namespace calldir::telephony

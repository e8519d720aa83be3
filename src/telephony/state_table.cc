#include "telephony/state_table.h"

#include <charconv>

#include "platform/json.h"

namespace calldir::telephony {

namespace sqlite = base::sqlite;
using base::Status;

namespace {

// A count or generation as the service writes it: decimal digits alone,
// within the signed 64-bit range.
std::optional<std::int64_t> readCount(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty() || text[0] == '-') {
    return std::nullopt;
  }
  return value;
}

std::optional<bool> readFlag(std::string_view text) {
  if (text == "1") return true;
  if (text == "0") return false;
  return std::nullopt;
}

}  // namespace

StateTable::StateTable(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}

base::Result<StateTable> StateTable::open(sqlite3* db, std::string path) {
  if (Status s = sqlite::exec(db,
                              "CREATE TABLE IF NOT EXISTS state (key TEXT PRIMARY KEY NOT NULL, value TEXT) "
                              "WITHOUT ROWID;");
      !s.ok()) {
    return s.withContext(path);
  }
  StateTable table(db, std::move(path));
  table.select_ = sqlite::Statement(db, "SELECT key, value, typeof(value) FROM state");
  table.upsert_ = sqlite::Statement(
      db,
      "INSERT INTO state (key, value) VALUES (?1, ?2) ON CONFLICT(key) DO UPDATE SET value = excluded.value");
  if (!table.select_.valid() || !table.upsert_.valid()) {
    return sqlite::error(db, "cannot prepare the state statements of " + table.path_);
  }
  return table;
}

base::Result<StoreState> StateTable::read() {
  StoreState state;
  std::string damage;
  int rc;
  while ((rc = select_.step()) == SQLITE_ROW && damage.empty()) {
    const std::string_view key = select_.columnText(0);
    const std::string_view value = select_.columnText(1);
    const bool text = select_.columnText(2) == "text";
    auto bad = [&] {
      damage = "its state \"" + std::string(key) + "\" holds something the service never writes";
    };
    if (key == "generation" || key == "entries") {
      const auto count = text ? readCount(value) : std::nullopt;
      if (!count) bad();
      (key == "generation" ? state.generation : state.entries.emplace()) = count.value_or(0);
    } else if (key == "enabled" || key == "loaded" || key == "damaged") {
      const auto flag = text ? readFlag(value) : std::nullopt;
      if (!flag) bad();
      (key == "enabled"  ? state.enabled
       : key == "loaded" ? state.loaded
                         : state.damaged) = flag.value_or(false);
    } else if (key == "last_request") {
      auto note = text ? platform::JsonDocument::parse(std::string(value)) : nullptr;
      if (!note || note->kind() != platform::JsonDocument::Kind::kObject) bad();
      state.last_request = std::string(value);
    }
  }
  select_.reset();
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return sqlite::error(db_, "cannot read the state of " + path_);
  if (!damage.empty()) return Status::IoError(path_ + " is damaged: " + damage);
  if (state.generation > 0 && !state.entries) {
    return Status::IoError(path_ + " is damaged: it names a generation of entries but not their count");
  }
  return state;
}

Status StateTable::set(std::string_view key, std::string_view value) {
  upsert_.bindText(1, key);
  upsert_.bindText(2, value);
  if (upsert_.run() != SQLITE_DONE) return sqlite::error(db_, "cannot record the state of " + path_);
  return Status::Ok();
}

Status StateTable::setEnabled(bool enabled) { return set("enabled", enabled ? "1" : "0"); }

Status StateTable::setLastRequest(std::string_view json) { return set("last_request", json); }

Status StateTable::recordGeneration(std::int64_t generation, std::int64_t entries) {
  if (Status s = set("generation", std::to_string(generation)); !s.ok()) return s;
  return set("entries", std::to_string(entries));
}

Status StateTable::recordLoaded(bool loaded) { return set("loaded", loaded ? "1" : "0"); }

Status StateTable::setDamaged(bool damaged) { return set("damaged", damaged ? "1" : "0"); }

}  // namespace calldir::telephony

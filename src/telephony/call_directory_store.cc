#include "telephony/call_directory_store.h"

#include <unistd.h>

#include <optional>

#include "base/sqlite.h"
#include "telephony/generation_builder.h"
#include "telephony/generation_files.h"
#include "telephony/legacy_entries.h"
#include "telephony/state_table.h"

namespace calldir::telephony {

namespace sqlite = base::sqlite;
using base::Status;

struct CallDirectoryStore::Impl {
  std::string path;  // of the state
  std::string directory;
  sqlite::Connection state_db;
  std::optional<StateTable> table;
  StoreState state;
  bool legacy = false;  // the entries tables are in the state file, from before generation files
  std::int64_t entries = 0;
  sqlite::Connection reader;  // the current generation
  sqlite::Statement labels_for;
  std::optional<GenerationBuilder> build;

  // The database that holds the current entries, or null when there are none.
  sqlite3* entriesDb() { return legacy ? state_db.get() : reader.get(); }
  Status refresh();
  Status readGeneration();
};

// Reads the state and opens the generation it names. A reader may find the
// generation it was pointed at already replaced and deleted; it reads the
// state again.
Status CallDirectoryStore::Impl::refresh() {
  for (int attempt = 0;; ++attempt) {
    auto read = table->read();
    if (!read.ok()) return read.status();
    state = std::move(read).value();
    Status s = readGeneration();
    if (s.ok() || attempt == 3) return s;
  }
}

Status CallDirectoryStore::Impl::readGeneration() {
  labels_for = sqlite::Statement();
  reader.reset();
  legacy = state.generation == 0 && hasLegacyEntries(state_db.get());
  entries = state.entries.value_or(0);
  if (legacy && !state.entries) {
    auto counted = countLegacyEntries(state_db.get());
    if (!counted.ok()) return counted.status().withContext(path);
    entries = *counted;
  }
  std::string source = path;
  if (state.generation > 0) {
    source = generationPath(directory, state.generation);
    auto opened = openGeneration(source);
    if (!opened.ok()) return opened.status();
    reader = std::move(opened).value();
  }
  if (sqlite3* db = entriesDb()) {
    labels_for = sqlite::Statement(db,
                                   "SELECT label FROM identification WHERE number = ?1 UNION "
                                   "SELECT label FROM more_labels WHERE number = ?1 ORDER BY label");
    if (!labels_for.valid()) return sqlite::error(db, "cannot read " + source);
  }
  return Status::Ok();
}

CallDirectoryStore::CallDirectoryStore(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
CallDirectoryStore::~CallDirectoryStore() = default;

base::Result<std::unique_ptr<CallDirectoryStore>> CallDirectoryStore::open(const std::string& path,
                                                                           base::Access access) {
  auto store = openWhole(path, access);
  if (!store.ok()) return store.status().withContext("cannot open the call directory store");
  return store;
}

base::Result<std::unique_ptr<CallDirectoryStore>> CallDirectoryStore::openWhole(const std::string& path,
                                                                                base::Access access) {
  auto impl = std::make_unique<Impl>();
  impl->path = path;
  const std::size_t slash = path.rfind('/');
  impl->directory = slash == std::string::npos ? "." : path.substr(0, slash);
  auto db = sqlite::open(path, access);
  if (!db.ok()) return db.status();
  impl->state_db = std::move(db).value();
  // The state names the generation to read; once it names a new one, the
  // old one is deleted, so its commits are made durable (FULL), not only
  // atomic.
  if (Status s = sqlite::exec(impl->state_db.get(), "PRAGMA synchronous=FULL;"); !s.ok()) {
    return s.withContext(path);
  }
  auto table = StateTable::open(impl->state_db.get(), path);
  if (!table.ok()) return table.status();
  impl->table.emplace(std::move(table).value());
  if (Status s = impl->refresh(); !s.ok()) return s;
  return std::unique_ptr<CallDirectoryStore>(new CallDirectoryStore(std::move(impl)));
}

const StoreState& CallDirectoryStore::state() const { return impl_->state; }

std::int64_t CallDirectoryStore::entryCount() const { return impl_->entries; }

Status CallDirectoryStore::setEnabled(bool enabled) {
  Status s = impl_->table->setEnabled(enabled);
  if (s.ok()) impl_->state.enabled = enabled;
  return s;
}

Status CallDirectoryStore::setLastRequest(std::string_view json) {
  Status s = impl_->table->setLastRequest(json);
  if (s.ok()) impl_->state.last_request = std::string(json);
  return s;
}

base::Result<std::int64_t> CallDirectoryStore::blockingCount() {
  sqlite3* db = impl_->entriesDb();
  if (db == nullptr) return std::int64_t{0};
  sqlite::Statement count(db, "SELECT count(*) FROM blocking");
  if (!count.valid() || count.step() != SQLITE_ROW)
    return sqlite::error(db, "cannot read the blocking entries");
  return count.columnInt64(0);
}

base::Result<std::vector<std::string>> CallDirectoryStore::labelsFor(std::int64_t number) {
  std::vector<std::string> labels;
  sqlite::Statement& select = impl_->labels_for;
  if (!select.valid()) return labels;
  select.bindInt64(1, number);
  int rc;
  while ((rc = select.step()) == SQLITE_ROW) labels.emplace_back(select.columnText(0));
  select.reset();
  if (rc != SQLITE_DONE) return sqlite::error(impl_->entriesDb(), "cannot read the call directory store");
  return labels;
}

base::Result<std::vector<std::int64_t>> CallDirectoryStore::someNumbers(std::size_t limit) {
  std::vector<std::int64_t> numbers;
  sqlite3* db = impl_->entriesDb();
  if (db == nullptr) return numbers;
  sqlite::Statement select(db, "SELECT number FROM identification ORDER BY number LIMIT ?1");
  select.bindInt64(1, static_cast<sqlite3_int64>(limit));
  int rc;
  while ((rc = select.step()) == SQLITE_ROW) numbers.push_back(select.columnInt64(0));
  if (rc != SQLITE_DONE) return sqlite::error(db, "cannot read the call directory store");
  return numbers;
}

Status CallDirectoryStore::forEachEntry(
    const std::function<void(std::int64_t number, std::string_view label)>& visit) {
  sqlite3* db = impl_->entriesDb();
  if (db == nullptr) return Status::Ok();
  sqlite::Statement select(db,
                           "SELECT number, label FROM identification UNION ALL "
                           "SELECT number, label FROM more_labels ORDER BY number, label");
  int rc;
  while ((rc = select.step()) == SQLITE_ROW) visit(select.columnInt64(0), select.columnText(1));
  if (rc != SQLITE_DONE) return sqlite::error(db, "cannot read the call directory store");
  return Status::Ok();
}

Status CallDirectoryStore::refresh() { return impl_->refresh(); }

Status CallDirectoryStore::begin(bool replace_all) {
  rollback();
  removeStrayGenerations(impl_->directory, impl_->state.generation);
  GenerationBuilder::Source source;
  if (impl_->state.generation > 0) source.current = generationPath(impl_->directory, impl_->state.generation);
  if (impl_->legacy) source.legacy_state = impl_->path;
  source.entries = impl_->entries;
  impl_->build.emplace(generationPath(impl_->directory, impl_->state.generation + 1), std::move(source),
                       replace_all);
  return Status::Ok();
}

void CallDirectoryStore::removeAll() {
  if (impl_->build) impl_->build->removeAll();
}

void CallDirectoryStore::add(std::int64_t number, std::string_view label) {
  if (impl_->build) impl_->build->add(number, label);
}

std::int64_t CallDirectoryStore::flushAdds() { return impl_->build ? impl_->build->flushAdds() : 0; }

std::int64_t CallDirectoryStore::remove(std::int64_t number) {
  return impl_->build ? impl_->build->remove(number) : 0;
}

void CallDirectoryStore::addBlocking(std::int64_t number) {
  if (impl_->build) impl_->build->addBlocking(number);
}

void CallDirectoryStore::removeBlocking(std::int64_t number) {
  if (impl_->build) impl_->build->removeBlocking(number);
}

Status CallDirectoryStore::setDamaged(bool damaged) {
  Status s = impl_->table->setDamaged(damaged);
  if (s.ok()) impl_->state.damaged = damaged;
  return s;
}

Status CallDirectoryStore::reset() {
  if (Status s = refresh(); !s.ok()) return s;
  if (Status s = begin(true); !s.ok()) return s;
  if (Status s = finish(false); !s.ok()) return s;
  return setDamaged(false);
}

Status CallDirectoryStore::finish(bool loaded) {
  if (!impl_->build) return Status::IoError("no request is open on the call directory store");
  GenerationBuilder& build = *impl_->build;
  // A request that changed nothing keeps the generation.
  const bool switching = build.changes();
  Status s = switching ? build.finish() : build.status();
  const std::int64_t replaced = impl_->state.generation;
  const std::int64_t next = replaced + 1;
  sqlite::Transaction transaction(impl_->state_db.get());
  if (s.ok()) s = transaction.begin();
  if (s.ok() && switching) s = impl_->table->recordGeneration(next, build.count());
  if (s.ok()) s = impl_->table->recordLoaded(loaded);
  if (s.ok() && switching && impl_->legacy) s = dropLegacyEntries(impl_->state_db.get());
  if (s.ok()) s = transaction.commit();
  if (!s.ok()) {
    rollback();
    return s;
  }
  if (switching) build.keep();
  impl_->build.reset();
  s = impl_->refresh();
  if (switching && replaced > 0) ::unlink(generationPath(impl_->directory, replaced).c_str());
  return s;
}

void CallDirectoryStore::rollback() { impl_->build.reset(); }

}  // namespace calldir::telephony

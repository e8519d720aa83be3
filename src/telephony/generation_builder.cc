#include "telephony/generation_builder.h"

#include <unistd.h>

#include <utility>

#include "telephony/generation_files.h"
#include "telephony/legacy_entries.h"

namespace calldir::telephony {

namespace sqlite = base::sqlite;
using base::Status;

namespace {

constexpr std::size_t kBatch = 256;

}  // namespace

bool GenerationBuilder::Statements::prepare(sqlite3* db) {
  std::string batch_sql = "INSERT OR IGNORE INTO identification (number, label) VALUES (?, ?)";
  for (std::size_t i = 1; i < kBatch; ++i) batch_sql += ", (?, ?)";
  insert_batch = sqlite::Statement(db, batch_sql);
  insert = sqlite::Statement(db, "INSERT OR IGNORE INTO identification (number, label) VALUES (?1, ?2)");
  first_label = sqlite::Statement(db, "SELECT label FROM identification WHERE number = ?1");
  insert_more = sqlite::Statement(db, "INSERT OR IGNORE INTO more_labels (number, label) VALUES (?1, ?2)");
  remove = sqlite::Statement(db, "DELETE FROM identification WHERE number = ?1");
  remove_more = sqlite::Statement(db, "DELETE FROM more_labels WHERE number = ?1");
  insert_blocking = sqlite::Statement(db, "INSERT OR IGNORE INTO blocking (number) VALUES (?1)");
  remove_blocking = sqlite::Statement(db, "DELETE FROM blocking WHERE number = ?1");
  return insert_batch.valid() && insert.valid() && first_label.valid() && insert_more.valid() &&
         remove.valid() && remove_more.valid() && insert_blocking.valid() && remove_blocking.valid();
}

GenerationBuilder::GenerationBuilder(std::string path, Source source, bool replace_all)
    : path_(std::move(path)),
      source_(std::move(source)),
      replace_all_(replace_all),
      count_(replace_all ? 0 : source_.entries) {}

GenerationBuilder::~GenerationBuilder() {
  statements_ = Statements{};
  db_.reset();
  if (!kept_) ::unlink(path_.c_str());
}

void GenerationBuilder::failWith(const Status& status) {
  if (status_.ok()) status_ = status;
}

// Makes the file: empty, or a copy of the source. False once failed.
bool GenerationBuilder::start() {
  if (!status_.ok()) return false;
  if (started_) return true;
  const bool copy = !replace_all_ && !source_.current.empty();
  Status s = copy ? copyFile(source_.current, path_) : Status::Ok();
  sqlite3* raw = nullptr;
  if (s.ok() &&
      sqlite3_open_v2(path_.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK) {
    s = sqlite::error(raw, "cannot create " + path_);
  }
  db_.reset(raw);
  // Large pages: a sixteenth of the pages and page look-ups of the default.
  if (s.ok()) {
    s = sqlite::exec(db_.get(),
                     "PRAGMA page_size=65536; PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
                     "PRAGMA main.locking_mode=EXCLUSIVE; PRAGMA cache_size=-262144;");
  }
  if (s.ok() && !copy) s = sqlite::exec(db_.get(), kEntriesSchema);
  if (s.ok() && !replace_all_ && !source_.legacy_state.empty())
    s = copyLegacyEntries(db_.get(), source_.legacy_state);
  if (s.ok()) s = sqlite::exec(db_.get(), "BEGIN");
  if (s.ok() && !statements_.prepare(db_.get()))
    s = sqlite::error(db_.get(), "cannot prepare the entry statements");
  failWith(s);
  started_ = s.ok();
  return started_;
}

std::string_view GenerationBuilder::label(std::size_t i) const {
  const std::size_t begin = i == 0 ? 0 : label_ends_[i - 1];
  return std::string_view(labels_).substr(begin, label_ends_[i] - begin);
}

std::int64_t GenerationBuilder::change(sqlite::Statement& statement) {
  if (statement.run() != SQLITE_DONE) {
    failWith(sqlite::error(db_.get(), "cannot write " + path_));
    return 0;
  }
  return sqlite3_changes(db_.get());
}

void GenerationBuilder::writeBatch() {
  const std::size_t n = numbers_.size();
  if (n == 0 || !started_ || !status_.ok()) return;
  std::int64_t added = 0;
  std::size_t i = 0;
  // Whole batches through the many-row statement, the rest row by row.
  for (; i + kBatch <= n; i += kBatch) {
    for (std::size_t k = 0; k < kBatch; ++k) {
      statements_.insert_batch.bindInt64(static_cast<int>(2 * k + 1), numbers_[i + k]);
      statements_.insert_batch.bindTextStatic(static_cast<int>(2 * k + 2), label(i + k));
    }
    added += change(statements_.insert_batch);
  }
  for (; i < n; ++i) {
    statements_.insert.bindInt64(1, numbers_[i]);
    statements_.insert.bindTextStatic(2, label(i));
    added += change(statements_.insert);
  }
  if (added < static_cast<std::int64_t>(n)) {
    // Some numbers had a label already: keep each other label beside it.
    for (std::size_t k = 0; k < n; ++k) {
      statements_.first_label.bindInt64(1, numbers_[k]);
      const bool same =
          statements_.first_label.step() == SQLITE_ROW && statements_.first_label.columnText(0) == label(k);
      statements_.first_label.reset();
      if (same) continue;
      statements_.insert_more.bindInt64(1, numbers_[k]);
      statements_.insert_more.bindTextStatic(2, label(k));
      added += change(statements_.insert_more);
    }
  }
  numbers_.clear();
  label_ends_.clear();
  labels_.clear();
  count_ += added;
  added_since_flush_ += added;
}

void GenerationBuilder::removeAll() {
  if (!started_) {
    replace_all_ = true;  // nothing to copy: the generation starts empty
  } else {
    writeBatch();
    if (status_.ok())
      failWith(sqlite::exec(db_.get(), "DELETE FROM identification; DELETE FROM more_labels"));
  }
  count_ = 0;
}

void GenerationBuilder::add(std::int64_t number, std::string_view label) {
  if (!start()) return;
  numbers_.push_back(number);
  labels_.append(label);
  label_ends_.push_back(labels_.size());
  if (numbers_.size() == kBatch) writeBatch();
}

std::int64_t GenerationBuilder::flushAdds() {
  writeBatch();
  return std::exchange(added_since_flush_, 0);
}

std::int64_t GenerationBuilder::remove(std::int64_t number) {
  if (!start()) return 0;
  writeBatch();
  statements_.remove.bindInt64(1, number);
  std::int64_t removed = change(statements_.remove);
  statements_.remove_more.bindInt64(1, number);
  removed += change(statements_.remove_more);
  count_ -= removed;
  return removed;
}

void GenerationBuilder::addBlocking(std::int64_t number) {
  if (!start()) return;
  writeBatch();
  statements_.insert_blocking.bindInt64(1, number);
  change(statements_.insert_blocking);
}

void GenerationBuilder::removeBlocking(std::int64_t number) {
  if (!start()) return;
  writeBatch();
  statements_.remove_blocking.bindInt64(1, number);
  change(statements_.remove_blocking);
}

Status GenerationBuilder::finish() {
  // A request that removed everything and added nothing still gets its
  // (empty) generation.
  if (start()) writeBatch();
  if (status_.ok()) failWith(sqlite::exec(db_.get(), "COMMIT"));
  statements_ = Statements{};
  db_.reset();
  if (status_.ok()) failWith(syncPath(path_, false));
  const std::size_t slash = path_.rfind('/');
  if (status_.ok()) failWith(syncPath(slash == std::string::npos ? "." : path_.substr(0, slash), true));
  return status_;
}

}  // namespace calldir::telephony

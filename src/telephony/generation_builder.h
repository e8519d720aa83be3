// The next generation file of the call directory store while one request
// builds it: from nothing when the request began by removing every entry,
// else from a copy of the current generation (or of a legacy store's
// tables). The file is made on the first change, so that a restore, whose
// first change removes everything, never copies. It has no journal and no
// syncs while it is written: nobody reads it before it is finished, and an
// unfinished one is deleted.
//
// The first failure sticks: every later operation does nothing, and status()
// and finish() report it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/sqlite.h"
#include "base/status.h"

namespace calldir::telephony {

class GenerationBuilder {
 public:
  struct Source {
    std::string current;       // the current generation's file, or empty when there is none
    std::string legacy_state;  // the store file whose legacy tables hold the entries, or empty
    std::int64_t entries = 0;  // the entries the source holds
  };

  // Builds the file `path`; `replace_all` starts it empty whatever `source`.
  GenerationBuilder(std::string path, Source source, bool replace_all);
  ~GenerationBuilder();
  GenerationBuilder(const GenerationBuilder&) = delete;
  GenerationBuilder& operator=(const GenerationBuilder&) = delete;

  void removeAll();
  // Additions are written in batches of many rows (how SQLite inserts
  // fastest) as they come; flushAdds() writes the rest and returns how many
  // entries the additions since its last call added (an entry already there
  // adds none).
  void add(std::int64_t number, std::string_view label);
  std::int64_t flushAdds();
  // The entries removed: every label of the number.
  std::int64_t remove(std::int64_t number);
  void addBlocking(std::int64_t number);
  void removeBlocking(std::int64_t number);

  // The identification entries the generation holds now.
  std::int64_t count() const { return count_; }
  // True when the request changes entries: the file will replace the
  // current generation. A request that removed everything counts.
  bool changes() const { return started_ || replace_all_; }
  const base::Status& status() const { return status_; }

  // Writes what is gathered, commits, and makes the file durable; the first
  // failure otherwise.
  base::Status finish();
  // Keeps the finished file once the store has switched to it; until then
  // the builder's end deletes it.
  void keep() { kept_ = true; }

 private:
  bool start();
  void writeBatch();
  std::int64_t change(base::sqlite::Statement& statement);
  void failWith(const base::Status& status);
  std::string_view label(std::size_t i) const;

  std::string path_;
  Source source_;
  bool replace_all_;
  bool started_ = false;
  bool kept_ = false;
  std::int64_t count_;
  std::int64_t added_since_flush_ = 0;
  base::Status status_;
  base::sqlite::Connection db_;
  struct Statements {
    base::sqlite::Statement insert_batch, insert, first_label, insert_more, remove, remove_more,
        insert_blocking, remove_blocking;
    bool prepare(sqlite3* db);
  };
  Statements statements_;
  // Additions not yet written: numbers, and labels end to end in one text.
  std::vector<std::int64_t> numbers_;
  std::vector<std::size_t> label_ends_;
  std::string labels_;
};

}  // namespace calldir::telephony

// The call directory store of the emulated telephony service: the
// identification and blocking entries that completed requests supplied, and
// the extension's state (enabled, loaded, the entry count, the last request).
//
// The state lives in `store.sqlite` (WAL). The entries live in generation
// files beside it, `entries-<n>.sqlite`, each written once by one request
// and never changed after: a request builds the next generation, makes it
// durable, and switches to it by one transaction on the state, which also
// records the entry count and that the extension loaded. Until then nothing
// of it is visible; a request that fails leaves only a file that is deleted.
// A reader holds the generation it opened, even after a later one replaced
// it: it keeps a consistent view. (Stores written before generation files
// keep their entries in `store.sqlite` until the next request moves them.)
//
// A store whose state or current generation is damaged does not open: the
// error names the file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/access.h"
#include "base/result.h"
#include "telephony/store_state.h"

namespace calldir::telephony {

class CallDirectoryStore {
 public:
  // Opens the store whose state is at `path`: created when missing, or to
  // read only (nothing of it is changed, and no write access is needed).
  static base::Result<std::unique_ptr<CallDirectoryStore>> open(const std::string& path,
                                                                base::Access access = base::Access::kCreate);
  ~CallDirectoryStore();
  CallDirectoryStore(const CallDirectoryStore&) = delete;
  CallDirectoryStore& operator=(const CallDirectoryStore&) = delete;

  // The state as last read: when the store was opened, when a request
  // began, or after it committed.
  const StoreState& state() const;
  bool enabled() const { return state().enabled; }
  // True once a request of the extension has completed.
  bool loaded() const { return state().loaded; }
  // What the service noted about the last request it handled (a JSON
  // object), or no value before the first.
  const std::optional<std::string>& lastRequest() const { return state().last_request; }
  // The identification entries of the generation read.
  std::int64_t entryCount() const;

  base::Status setEnabled(bool enabled);
  // Marks the phone's database damaged (every request then fails with 11),
  // or no longer damaged.
  base::Status setDamaged(bool damaged);
  // What the phone's reset of its settings does to the database: no entry
  // left, the extension not loaded (its next request is a complete one),
  // the damage gone. Call under the device's loading lock.
  base::Status reset();
  base::Status setLastRequest(std::string_view json);

  base::Result<std::int64_t> blockingCount();
  // Labels of `number`, in label order.
  base::Result<std::vector<std::string>> labelsFor(std::int64_t number);
  // Up to `limit` numbers of the identification entries, in number order.
  base::Result<std::vector<std::int64_t>> someNumbers(std::size_t limit);
  // Every identification entry in number order, then label order.
  base::Status forEachEntry(const std::function<void(std::int64_t number, std::string_view label)>& visit);

  // Reads the state again and opens the generation it names now.
  base::Status refresh();

  // The changes of one request, built into the next generation and visible
  // only on commit. Call under the device's loading lock, after refresh(),
  // so that the request builds on the generation current now.
  base::Status begin(bool replace_all);
  void removeAll();
  // Additions are gathered and written in batches; `flushAdds` writes the
  // rest and returns how many entries the additions since its last call
  // added (an entry already there adds none).
  void add(std::int64_t number, std::string_view label);
  std::int64_t flushAdds();
  // Returns the number of entries removed: every label of the number.
  std::int64_t remove(std::int64_t number);
  void addBlocking(std::int64_t number);
  void removeBlocking(std::int64_t number);
  // Commits the request and records the extension as loaded.
  base::Status commit() { return finish(true); }
  // Undoes the request's changes; does nothing when none is open.
  void rollback();

 private:
  struct Impl;
  explicit CallDirectoryStore(std::unique_ptr<Impl> impl);
  static base::Result<std::unique_ptr<CallDirectoryStore>> openWhole(const std::string& path,
                                                                     base::Access access);
  // Switches to the generation built (if it changes entries) and records
  // the extension as `loaded` or not.
  base::Status finish(bool loaded);
  std::unique_ptr<Impl> impl_;
};

}  // namespace calldir::telephony

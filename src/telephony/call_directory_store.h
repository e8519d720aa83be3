// The call directory store of the emulated telephony service: the
// identification and blocking entries that completed requests supplied, and
// the extension's state (enabled, loaded). One SQLite file in the device root.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace calldir::telephony {

class CallDirectoryStore {
 public:
  // Opens (creating) the store at `path`.
  static base::Status open(const std::string& path, std::unique_ptr<CallDirectoryStore>& out);
  ~CallDirectoryStore();
  CallDirectoryStore(const CallDirectoryStore&) = delete;
  CallDirectoryStore& operator=(const CallDirectoryStore&) = delete;

  bool enabled();
  base::Status setEnabled(bool enabled);
  // True once a request of the extension has completed.
  bool loaded();

  // What the service noted about the last request it handled (a JSON
  // object), or no value before the first.
  std::optional<std::string> lastRequest();
  base::Status setLastRequest(std::string_view json);

  std::int64_t entryCount();
  std::int64_t blockingCount();
  // Labels of `number`, in label order.
  std::vector<std::string> labelsFor(std::int64_t number);
  // Every identification entry in number order, then label order.
  base::Status forEachEntry(const std::function<void(std::int64_t number, std::string_view label)>& visit);

  // The changes of one request, applied inside a transaction that becomes
  // visible only on commit.
  base::Status begin(bool replace_all);
  void removeAll();
  // Additions are gathered and written in batches (many rows per statement
  // is how SQLite inserts fastest); `flushAdds` writes what is gathered and
  // returns how many entries that added (an entry already there adds none).
  // The other operations and commit flush first, so order is kept.
  void add(std::int64_t number, std::string_view label);
  std::int64_t flushAdds();
  // Returns the number of entries removed: every label of the number.
  std::int64_t remove(std::int64_t number);
  void addBlocking(std::int64_t number);
  void removeBlocking(std::int64_t number);
  // Commits the request and records the extension as loaded. Additions
  // still gathered are written first; they are counted only by `flushAdds`,
  // so a caller that wants the count flushes before committing.
  base::Status commit();
  // Undoes the request's changes; does nothing when none is open.
  void rollback();

 private:
  struct Impl;
  explicit CallDirectoryStore(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
  std::optional<std::string> operation_error_;
};

}  // namespace calldir::telephony

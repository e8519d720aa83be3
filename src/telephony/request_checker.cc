#include "telephony/request_checker.h"

namespace calldir::telephony {

using platform::CallDirectoryError;
using wire::Operation;

RequestChecker::RequestChecker(CallDirectoryStore& store, bool incremental, std::int64_t cap,
                               std::int64_t entries_before)
    : store_(store), incremental_(incremental), cap_(cap), entries_(entries_before) {}

bool RequestChecker::apply(const wire::OperationMessage& m) {
  if (failure_) return false;
  switch (m.operation) {
    case Operation::kSetDelegate:
      return true;
    case Operation::kComplete:
      return flushAdds();
    case Operation::kIsIncremental:
      asked_incremental_ = true;
      return true;
    case Operation::kRemoveAll:
      if (!flushAdds() || !removalAllowed()) return false;
      store_.removeAll();
      changes_.removed_all = true;
      entries_ = 0;
      return true;
    case Operation::kRemove: {
      if (!flushAdds() || !removalAllowed()) return false;
      const std::int64_t changed = store_.remove(m.number);
      changes_.removed += changed;
      entries_ -= changed;
      return true;
    }
    case Operation::kAdd:
      if (!ascending(last_identification_, m.number)) return false;
      store_.add(m.number, m.label);
      // Counted for certain when written; before that, each addition is
      // taken to add one entry, and the count is made exact near the cap.
      ++gathered_;
      if (entries_ + gathered_ > cap_) return flushAdds();
      return true;
    case Operation::kAddBlocking:
      if (!flushAdds() || !ascending(last_blocking_, m.number)) return false;
      store_.addBlocking(m.number);
      return true;
    case Operation::kRemoveBlocking:
      if (!flushAdds() || !removalAllowed()) return false;
      store_.removeBlocking(m.number);
      return true;
  }
  return refuse(
      {.code = platform::kErrorLoadingInterrupted, .reason = "loading interrupted: unknown operation"});
}

bool RequestChecker::flushAdds() {
  if (failure_) return false;
  const std::int64_t changed = store_.flushAdds();
  gathered_ = 0;
  changes_.added += changed;
  entries_ += changed;
  if (entries_ > cap_) return refuse(platform::maximumEntriesExceeded(cap_));
  return true;
}

bool RequestChecker::refuse(CallDirectoryError error) {
  if (!failure_) failure_ = std::move(error);
  return false;
}

bool RequestChecker::removalAllowed() {
  if (!incremental_) {
    return refuse({.code = platform::kErrorUnexpectedIncrementalRemoval,
                   .reason = "unexpected incremental removal: a complete request cannot remove entries"});
  }
  if (!asked_incremental_) {
    return refuse({.code = platform::kErrorUnexpectedIncrementalRemoval,
                   .reason = "unexpected incremental removal: the extension removed entries before asking "
                             "isIncremental"});
  }
  return true;
}

bool RequestChecker::ascending(std::optional<std::int64_t>& last, std::int64_t number) {
  if (auto error = platform::checkNextAddition(last, number)) return refuse(std::move(*error));
  last = number;
  return true;
}

}  // namespace calldir::telephony

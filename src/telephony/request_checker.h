// The checks the platform makes on the context operations of one request,
// applied to the call directory store as they arrive: ascending and distinct
// additions, removals only in incremental requests that asked isIncremental
// first, and the cap on the entries the phone keeps for the extension. The
// first refusal fails the request; later operations are ignored.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/call_directory.h"
#include "telephony/call_directory_store.h"
#include "wire/framing.h"

namespace calldir::telephony {

// What a request changed, as far as the checker has applied it.
struct RequestChanges {
  std::int64_t added = 0;    // identification entries added
  std::int64_t removed = 0;  // identification entries removed one by one
  bool removed_all = false;
};

class RequestChecker {
 public:
  // `entries_before`: the identification entries the store holds when the
  // request begins (0 for a complete request, which replaces them all).
  RequestChecker(CallDirectoryStore& store, bool incremental, std::int64_t cap, std::int64_t entries_before);

  // Applies one operation; returns false once the request has failed.
  bool apply(const wire::OperationMessage& m);

  // Writes the gathered additions and checks the cap on the exact count.
  bool flushAdds();

  // Fails the request with `error`, unless it failed already. False.
  bool refuse(platform::CallDirectoryError error);

  // The first refusal.
  const std::optional<platform::CallDirectoryError>& failure() const { return failure_; }
  const RequestChanges& changes() const { return changes_; }

 private:
  bool removalAllowed();
  bool ascending(std::optional<std::int64_t>& last, std::int64_t number);

  CallDirectoryStore& store_;
  bool incremental_;
  std::int64_t cap_;
  std::int64_t entries_;
  std::int64_t gathered_ = 0;  // additions not yet written
  RequestChanges changes_;
  bool asked_incremental_ = false;
  std::optional<std::int64_t> last_identification_;
  std::optional<std::int64_t> last_blocking_;
  std::optional<platform::CallDirectoryError> failure_;
};

}  // namespace calldir::telephony

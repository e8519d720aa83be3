// The call directory side of the platform: the request context that the
// telephony service hands the extension for each request, its delegate, and
// the error a failed request reports.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace calldir::platform {

// A failure of a request, as the platform reports it: the one shape of a
// platform failure, from the service's checks through the wire to the
// extension, the command line and the list check.
struct CallDirectoryError {
  std::string domain = "com.apple.CallKit.error.calldirectorymanager";
  int code = 0;
  std::string reason;

  // `Error Domain=<domain> Code=<n> "<reason>"`.
  std::string description() const;
  bool operator==(const CallDirectoryError&) const = default;
};

// The platform's error codes for call directory requests.
enum CallDirectoryErrorCode : int {
  kErrorUnknown = 0,
  kErrorNoExtensionFound = 1,
  kErrorLoadingInterrupted = 2,
  kErrorEntriesOutOfOrder = 3,
  kErrorDuplicateEntries = 4,
  kErrorMaximumEntriesExceeded = 5,
  kErrorExtensionDisabled = 6,
  kErrorCurrentlyLoading = 7,
  kErrorUnexpectedIncrementalRemoval = 8,
  // Not in the platform's documentation, but seen in the field: 11 when the
  // phone's own call directory database is damaged (every extension's
  // reload fails until the user resets the phone's settings), 102 with no
  // known cause.
  kErrorUndocumentedDamagedDatabase = 11,
  kErrorUndocumented102 = 102,
};

// The name of an error code, such as "entriesOutOfOrder"; "undocumented"
// for 11 and 102.
const char* errorCodeName(int code);

// An error the platform reports with an undocumented code, worded as the
// platform words an error it has no text for.
CallDirectoryError undocumentedError(int code);

// The most identification entries the phone keeps for one extension, unless
// a request is given another cap.
inline constexpr std::int64_t kDefaultMaximumEntries = 2'000'000;

// The platform's rule for the additions of one request: each number above
// the one before it. The error that `number` after `previous` meets
// (entriesOutOfOrder or duplicateEntries), or no value when it may follow.
std::optional<CallDirectoryError> checkNextAddition(std::optional<std::int64_t> previous,
                                                    std::int64_t number);

// The error of a request that would leave more than `cap` entries.
CallDirectoryError maximumEntriesExceeded(std::int64_t cap);

class CallDirectoryExtensionContext;

class CallDirectoryExtensionContextDelegate {
 public:
  virtual ~CallDirectoryExtensionContextDelegate() = default;
  virtual void requestFailedForExtensionContext(CallDirectoryExtensionContext& context,
                                                const CallDirectoryError& error) = 0;
};

// The base of an extension's principal class: the runner creates one and
// delivers each request to it.
class CallDirectoryProvider : public CallDirectoryExtensionContextDelegate {
 public:
  virtual void beginRequestWithExtensionContext(class CallDirectoryExtensionContext& context) = 0;
};

// One request of the telephony service. Entries added and removed before
// `completeRequestWithCompletionHandler` form the request's result.
class CallDirectoryExtensionContext {
 public:
  virtual ~CallDirectoryExtensionContext() = default;
  virtual void setDelegate(CallDirectoryExtensionContextDelegate* delegate) = 0;
  virtual bool isIncremental() = 0;
  virtual void removeAllIdentificationEntries() = 0;
  virtual void addIdentificationEntryWithNextSequentialPhoneNumber(std::int64_t number,
                                                                   std::string_view label) = 0;
  virtual void removeIdentificationEntryWithPhoneNumber(std::int64_t number) = 0;
  virtual void addBlockingEntryWithNextSequentialPhoneNumber(std::int64_t number) = 0;
  virtual void removeBlockingEntryWithPhoneNumber(std::int64_t number) = 0;
  // `handler` may be empty (no completion handler).
  virtual void completeRequestWithCompletionHandler(std::function<void(bool expired)> handler) = 0;
};

}  // namespace calldir::platform

#include "platform/call_directory.h"

namespace calldir::platform {

std::string CallDirectoryError::description() const {
  return "Error Domain=" + domain + " Code=" + std::to_string(code) + " \"" + reason + "\"";
}

const char* errorCodeName(int code) {
  switch (code) {
    case kErrorUnknown:
      return "unknown";
    case kErrorNoExtensionFound:
      return "noExtensionFound";
    case kErrorLoadingInterrupted:
      return "loadingInterrupted";
    case kErrorEntriesOutOfOrder:
      return "entriesOutOfOrder";
    case kErrorDuplicateEntries:
      return "duplicateEntries";
    case kErrorMaximumEntriesExceeded:
      return "maximumEntriesExceeded";
    case kErrorExtensionDisabled:
      return "extensionDisabled";
    case kErrorCurrentlyLoading:
      return "currentlyLoading";
    case kErrorUnexpectedIncrementalRemoval:
      return "unexpectedIncrementalRemoval";
    case kErrorUndocumentedDamagedDatabase:
    case kErrorUndocumented102:
      return "undocumented";
    default:
      return "unknown";
  }
}

std::optional<CallDirectoryError> checkNextAddition(std::optional<std::int64_t> previous,
                                                    std::int64_t number) {
  if (!previous || number > *previous) return std::nullopt;
  if (number == *previous) {
    return CallDirectoryError{.code = kErrorDuplicateEntries,
                              .reason = "duplicate entries: " + std::to_string(number)};
  }
  return CallDirectoryError{
      .code = kErrorEntriesOutOfOrder,
      .reason = "entries out of order: " + std::to_string(number) + " after " + std::to_string(*previous)};
}

CallDirectoryError undocumentedError(int code) {
  CallDirectoryError error;
  error.code = code;
  error.reason =
      "The operation couldn\u2019t be completed. (" + error.domain + " error " + std::to_string(code) + ".)";
  return error;
}

CallDirectoryError maximumEntriesExceeded(std::int64_t cap) {
  return CallDirectoryError{
      .code = kErrorMaximumEntriesExceeded,
      .reason = "maximum entries exceeded: more than " + std::to_string(cap) + " entries"};
}

}  // namespace calldir::platform

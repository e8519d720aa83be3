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
    default:
      return "unknown";
  }
}

}  // namespace calldir::platform

// The dispatch rule of an incremental request: what it does with the two
// control keys as read at its start. The handler follows it, and `calldir
// status` uses it to say what the next request will do.
#pragma once

#include <string_view>

#include "handler/keys.h"

namespace calldir::handler {

// Values a missing control key reads as at the start of a request.
inline constexpr std::string_view kClearAllDefault = kClearAllNo;
inline constexpr std::string_view kRestoreStatusDefault = "EMPTY";

enum class IncrementalAction {
  kRestoreFromZero,       // clear-all flag "Y": remove all, restore from the resource
  kUpdateFromDeltaLists,  // restore status "END": apply callersDel.json, then callersAdd.json
  kNothing,               // anything else
};

// Both comparisons are exact and case-sensitive; the flag wins.
IncrementalAction incrementalAction(std::string_view clear_all_flag, std::string_view restore_status);

}  // namespace calldir::handler

#include "handler/dispatch.h"

namespace calldir::handler {

IncrementalAction incrementalAction(std::string_view clear_all_flag, std::string_view restore_status) {
  if (clear_all_flag == kClearAllYes) return IncrementalAction::kRestoreFromZero;
  if (restore_status == kRestoreEnded) return IncrementalAction::kUpdateFromDeltaLists;
  return IncrementalAction::kNothing;
}

}  // namespace calldir::handler

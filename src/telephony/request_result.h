// How a request ended, and the note of it the service keeps in the store for
// `calldir status`: written and read back side by side, so that the two
// cannot drift apart.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "platform/call_directory.h"

namespace calldir::telephony {

struct RequestResult {
  bool incremental = false;
  std::optional<platform::CallDirectoryError> error;  // why the platform failed it; none when completed
  bool completed() const { return !error; }
  std::int64_t added = 0;    // identification entries added by the request
  std::int64_t removed = 0;  // identification entries removed one by one
  bool removed_all = false;
  std::int64_t entries = 0;  // identification entries stored afterwards
  bool extension_ran = false;
  double extension_cpu_seconds = 0;
  std::int64_t extension_peak_bytes = 0;
  std::int64_t service_peak_bytes = 0;  // of this process, the telephony service
  double wall_seconds = 0;
};

// The outcome of a request as one JSON object: "kind" ("incremental" or
// "complete"), "completed", "error" (null or {"code", "name", "reason"}),
// "added", "removed", "removed_all", "entries", "extension_cpu_seconds",
// "extension_peak_bytes", "service_peak_bytes", "wall_seconds", and "at"
// (when it ended) unless `at` is empty. The service keeps the one of the
// last request it handled in the store, with "at".
std::string requestJson(const RequestResult& result, const std::string& at = "");

// A request's note as the store keeps it.
struct RequestNote {
  RequestResult result;
  std::string at;
};

// Reads back what requestJson wrote; a member it lacks keeps its default
// (a note of an older service), and "extension_ran" is not part of it. An
// invalid-argument error for text that is not such an object.
base::Result<RequestNote> parseRequestNote(std::string_view json);

}  // namespace calldir::telephony

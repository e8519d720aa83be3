// The state of the call directory store: the current generation of
// entries, their count, whether the user enabled the extension and whether
// it has loaded, and the service's note on the last request.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace calldir::telephony {

struct StoreState {
  std::int64_t generation = 0;          // 0 before the first generation file
  std::optional<std::int64_t> entries;  // recorded with every generation
  bool enabled = false;
  bool loaded = false;                      // a request of the extension has completed
  bool damaged = false;                     // the phone's database is damaged: every request fails with 11
  std::optional<std::string> last_request;  // a JSON object
};

}  // namespace calldir::telephony

// What a device holds now, as `calldir status` reports it and as the request
// commands read it beforehand to say why a request applied nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/result.h"
#include "cli/common/device_access.h"
#include "telephony/request_driver.h"

namespace calldir::cli {

struct DeviceState {
  std::string group;
  // The control keys as the extension reads them (no value: not set, or
  // nothing the extension takes as a text), and with their defaults.
  std::optional<std::string> flag_value;
  std::optional<std::string> restore_value;
  std::string flag;
  std::string restore;
  // Every status key that is set, with its line as stored.
  std::vector<std::pair<std::string, std::string>> status_lines;
  // The delta lists; the group may have no container.
  bool has_container = false;
  DeltaListState del_list;
  DeltaListState add_list;
  bool has_resource = false;
  std::int64_t entries = 0;
  std::optional<telephony::RequestNote> last_request;  // the service's note of it
  bool last_request_unreadable = false;                // a note is stored, but it does not parse
};

// Reads the state of the device; an error when its settings or store cannot
// be read.
base::Result<DeviceState> readDeviceState(DeviceAccess& device);

// Why a request that completed applied nothing, or left a store that held
// entries empty, in one line; no value when it did what one would expect.
std::optional<std::string> whyNothingApplied(const DeviceState& before,
                                             const telephony::RequestResult& result);

// A control key value the extension ignores, and what it takes it for; no
// value when the key holds nothing unusual.
std::optional<std::string> ignoredControlValue(const DeviceState& state);

// How a delta list's state reads in the status: "waiting, 3 element(s)",
// "no data (...)", "missing", ...
std::string describeDeltaList(const DeviceState& state, const DeltaListState& list);

// What the next incremental request does: a word ("restore", "update",
// "nothing") and a sentence.
std::pair<std::string, std::string> nextIncrementalRequest(const DeviceState& state);

// The last request's outcome in one line, from the service's note.
std::string lastRequestLine(const DeviceState& state);

// How a delta list's state reads in one word: "missing", "empty", "waiting",
// "no data", or "without a container".
std::string deltaListWord(const DeviceState& state, const DeltaListState& list);

}  // namespace calldir::cli

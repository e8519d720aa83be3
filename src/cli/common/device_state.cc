#include "cli/common/device_state.h"

#include "handler/dispatch.h"
#include "handler/keys.h"
#include "platform/call_directory.h"
#include "storage/list_content.h"

namespace calldir::cli {

namespace {

std::string inQuotes(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace

std::string deltaListWord(const DeviceState& state, const DeltaListState& list) {
  return state.has_container ? storage::describeForUpdate(list.kind) : "without a container";
}

base::Result<DeviceState> readDeviceState(DeviceAccess& device) {
  DeviceState out;
  auto store = device.settings();
  if (!store.ok()) return store.status();
  auto snapshot = (*store)->snapshot();
  if (!snapshot.ok()) return snapshot.status();
  const platform::SettingsSnapshot& values = *snapshot;
  out.group = device.root().group();
  auto settings = (*store)->initWithSuiteName(out.group);
  out.flag_value = settings->objectForKey(handler::kClearAllKey);
  out.restore_value = settings->objectForKey(handler::kRestoreStatusKey);
  out.flag = out.flag_value.value_or(std::string(handler::kClearAllDefault));
  out.restore = out.restore_value.value_or(std::string(handler::kRestoreStatusDefault));
  for (std::string_view key : handler::kStatusKeys) {
    if (auto it = values.find(std::string(key)); it != values.end())
      out.status_lines.emplace_back(it->first, it->second);
  }
  out.has_container =
      device.container().files().containerURLForSecurityApplicationGroupIdentifier(out.group).has_value();
  out.del_list = device.deltaList(handler::kDeleteListName);
  out.add_list = device.deltaList(handler::kAddListName);
  out.has_resource =
      device.container().bundle().pathForResource(handler::kZeroResourceName, "json").has_value();
  if (device.hasStore()) {
    auto calls = device.store();
    if (!calls.ok()) return calls.status();
    out.entries = (*calls)->entryCount();
    if (const auto note = (*calls)->lastRequest()) {
      auto parsed = telephony::parseRequestNote(*note);
      out.last_request_unreadable = !parsed.ok();
      if (parsed.ok()) out.last_request = std::move(parsed).value();
    }
  }
  return out;
}

std::optional<std::string> whyNothingApplied(const DeviceState& before, const telephony::RequestResult& r) {
  if (!r.completed()) return std::nullopt;
  if (!r.incremental) {
    if (before.entries == 0) return std::nullopt;
    return "this complete request left the store empty; it held " + std::to_string(before.entries) +
           " entries (the extension supplies entries only in incremental requests: `calldir app restore "
           "--reload` loads the list again)";
  }
  if (r.added != 0 || r.removed != 0) return std::nullopt;
  if (r.removed_all) {
    return before.has_resource
               ? "the restore from zero added nothing: the list resource holds no usable entries "
                 "(`calldir list check` on it says why)"
               : "the restore from zero added nothing: no list resource is installed "
                 "(`calldir bundle put-resource FILE`)";
  }
  switch (handler::incrementalAction(before.flag, before.restore)) {
    case handler::IncrementalAction::kUpdateFromDeltaLists:
      return "nothing applied: no delta list changed anything (the request found " +
             std::string(handler::kDeleteListName) + " " + deltaListWord(before, before.del_list) + ", " +
             std::string(handler::kAddListName) + " " + deltaListWord(before, before.add_list) + ")";
    case handler::IncrementalAction::kNothing:
      return "nothing applied: " + std::string(handler::kClearAllKey) + " is " + inQuotes(before.flag) +
             ", not " + inQuotes(handler::kClearAllYes) + ", and " + std::string(handler::kRestoreStatusKey) +
             " is " + inQuotes(before.restore) + ", not " + inQuotes(handler::kRestoreEnded);
    case handler::IncrementalAction::kRestoreFromZero:
      break;
  }
  return std::nullopt;
}

std::optional<std::string> ignoredControlValue(const DeviceState& state) {
  using namespace handler;
  if (state.flag_value && *state.flag_value != kClearAllYes && *state.flag_value != kClearAllNo) {
    return std::string(kClearAllKey) + " holds " + inQuotes(*state.flag_value) +
           ", which the extension takes as " + inQuotes(kClearAllNo) + ": only " + inQuotes(kClearAllYes) +
           " (exactly) asks for a restore from zero";
  }
  if (state.restore_value && *state.restore_value != kRestoreEnded &&
      *state.restore_value != kRestoreStarted) {
    return std::string(kRestoreStatusKey) + " holds " + inQuotes(*state.restore_value) +
           ", which the extension ignores: " + inQuotes(kRestoreEnded) + " lets updates run, " +
           inQuotes(kRestoreStarted) + " marks a restore in progress";
  }
  return std::nullopt;
}

// How a delta list's state reads in the text output.
std::string describeDeltaList(const DeviceState& st, const DeltaListState& list) {
  using Kind = storage::ListContent::Kind;
  if (!st.has_container) return "no container";
  if (list.waiting()) {
    if (list.malformed) return "waiting, malformed (will be emptied without changes)";
    return "waiting, " + std::to_string(list.elements) + " element(s)";
  }
  if (list.kind == Kind::kMissing || list.kind == Kind::kEmpty) return storage::describeForUpdate(list.kind);
  if (list.kind == Kind::kUnreadable) {
    return "no data: not read (a symbolic link, which the extension does not follow, not a regular file, "
           "over 1 "
           "GiB, or a read error)";
  }
  return "no data (does not decode, or shorter than 16 characters)";
}

// The next incremental request's action, as a word and as a sentence.
std::pair<std::string, std::string> nextIncrementalRequest(const DeviceState& st) {
  switch (handler::incrementalAction(st.flag, st.restore)) {
    case handler::IncrementalAction::kRestoreFromZero: {
      std::string next =
          "restore from zero: remove every entry and add the list resource callersAdd_Zero.json";
      if (!st.has_resource) next += " (there is none installed, so it will record \"Restore NO DATA\")";
      return {"restore", next};
    }
    case handler::IncrementalAction::kUpdateFromDeltaLists:
      return {"update", "update from the delta lists (" + std::string(handler::kDeleteListName) + ": " +
                            describeDeltaList(st, st.del_list) + "; " + std::string(handler::kAddListName) +
                            ": " + describeDeltaList(st, st.add_list) + ")"};
    case handler::IncrementalAction::kNothing:
      break;
  }
  std::string next = "nothing: the clear-all flag is not \"Y\" and the restore status is \"" + st.restore +
                     "\", not \"END\"";
  if (st.restore == handler::kRestoreStarted) {
    next +=
        "; a restore from zero that found no usable data leaves \"START\" behind, so set the flag to \"Y\" "
        "again (calldir app restore) once the list resource is fixed";
  }
  return {"nothing", next};
}

// The last request's outcome in one line, from the service's note.
std::string lastRequestLine(const DeviceState& st) {
  if (st.last_request_unreadable) return "last request: (unreadable note)";
  if (!st.last_request) return "last request: none yet";
  const telephony::RequestResult& r = st.last_request->result;
  std::string line = std::string("last request: ") + (r.incremental ? "incremental" : "complete") + ", ";
  if (r.completed()) {
    line += "completed";
  } else {
    line += "failed with error " + std::to_string(r.error->code) + " (" +
            platform::errorCodeName(r.error->code) + ")";
  }
  return line + ", at " + st.last_request->at + "; " + std::to_string(st.entries) + " entries stored now";
}

}  // namespace calldir::cli

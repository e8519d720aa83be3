#include "cli/status_command.h"

#include <ostream>
#include <utility>
#include <vector>

#include "base/json_quote.h"
#include "cli/device_access.h"
#include "device/real_device.h"
#include "handler/dispatch.h"
#include "handler/keys.h"
#include "storage/caller_list.h"
#include "storage/list_files.h"

namespace calldir::cli {

namespace {

using base::jsonQuote;

// Everything `status` reports, read once.
struct DeviceStatus {
  std::string group;
  std::optional<std::string> flag_value;
  std::optional<std::string> restore_value;
  std::string flag;
  std::string restore;
  std::vector<std::pair<std::string, std::string>> status_values;
  std::string del_state = "no container";
  std::string add_state = "no container";
  bool has_resource = false;
};

// How a delta list's state reads in the text output.
std::string describe(const storage::GroupListState& state) {
  using Kind = storage::GroupListState::Kind;
  switch (state.kind) {
    case Kind::kNoData:
      return "no data (does not decode, or shorter than 16 characters)";
    case Kind::kWaiting:
      if (state.malformed) return "waiting, malformed (will be emptied without changes)";
      return "waiting, " + std::to_string(state.elements) + " element(s)";
    case Kind::kMissing:
    case Kind::kEmpty:
      break;
  }
  return storage::describeGroupListKind(state.kind);
}

// The control keys as the extension reads them; the status lines whole.
DeviceStatus readStatus(platform::Environment env, const platform::SettingsSnapshot& all_values) {
  DeviceStatus st;
  st.group = env.group;
  auto settings = env.settings.initWithSuiteName(env.group);
  st.flag_value = settings->objectForKey(handler::kClearAllKey);
  st.restore_value = settings->objectForKey(handler::kRestoreStatusKey);
  st.flag = st.flag_value.value_or(std::string(handler::kClearAllDefault));
  st.restore = st.restore_value.value_or(std::string(handler::kRestoreStatusDefault));
  for (std::string_view key : handler::kStatusKeys) {
    if (auto it = all_values.find(std::string(key)); it != all_values.end()) {
      st.status_values.emplace_back(it->first, it->second);
    }
  }
  storage::ListFiles files(env.files, env.bundle, env.group);
  if (env.files.containerURLForSecurityApplicationGroupIdentifier(env.group)) {
    st.del_state = describe(files.inspectGroupFile(handler::kDeleteListName));
    st.add_state = describe(files.inspectGroupFile(handler::kAddListName));
  }
  st.has_resource = env.bundle.pathForResource(handler::kZeroResourceName, "json").has_value();
  return st;
}

// The next incremental request's action, as a word and as a sentence.
std::pair<std::string, std::string> nextRequest(const DeviceStatus& st) {
  switch (handler::incrementalAction(st.flag, st.restore)) {
    case handler::IncrementalAction::kRestoreFromZero: {
      std::string next =
          "restore from zero: remove every entry and add the list resource callersAdd_Zero.json";
      if (!st.has_resource) next += " (there is none installed, so it will record \"Restore NO DATA\")";
      return {"restore", next};
    }
    case handler::IncrementalAction::kUpdateFromDeltaLists:
      return {"update", "update from the delta lists (callersDel.json: " + st.del_state +
                            "; callersAdd.json: " + st.add_state + ")"};
    case handler::IncrementalAction::kNothing:
      break;
  }
  std::string next = "nothing: the clear-all flag is not \"Y\" and the restore status is \"" + st.restore +
                     "\", not \"END\"";
  if (st.restore == "START") {
    next +=
        "; a restore from zero that found no usable data leaves \"START\" behind, so set the flag to \"Y\" "
        "again (calldir app restore) once the list resource is fixed";
  }
  return {"nothing", next};
}

void printJson(const DeviceStatus& st, Io& io) {
  const auto [action, next] = nextRequest(st);
  io.out << "{\"group\": " << jsonQuote(st.group) << ", \"control\": {" << jsonQuote(handler::kClearAllKey)
         << ": {\"value\": " << jsonQuote(st.flag) << ", \"set\": " << (st.flag_value ? "true" : "false")
         << "}, " << jsonQuote(handler::kRestoreStatusKey) << ": {\"value\": " << jsonQuote(st.restore)
         << ", \"set\": " << (st.restore_value ? "true" : "false") << "}}, \"status\": {";
  bool first = true;
  for (const auto& [key, value] : st.status_values) {
    io.out << (first ? "" : ", ") << jsonQuote(key) << ": " << jsonQuote(value);
    first = false;
  }
  io.out << "}, \"next\": {\"action\": " << jsonQuote(action) << ", \"description\": " << jsonQuote(next)
         << "}, \"delta_lists\": {" << jsonQuote(handler::kDeleteListName) << ": " << jsonQuote(st.del_state)
         << ", " << jsonQuote(handler::kAddListName) << ": " << jsonQuote(st.add_state)
         << "}, \"resource_installed\": " << (st.has_resource ? "true" : "false") << "}\n";
}

void printText(const DeviceStatus& st, Io& io) {
  io.out << handler::kClearAllKey << " = " << st.flag << (st.flag_value ? "" : " (not set; the default)")
         << "\n";
  io.out << handler::kRestoreStatusKey << " = " << st.restore
         << (st.restore_value ? "" : " (not set; the default)") << "\n";
  for (const auto& [key, value] : st.status_values) io.out << key << " = " << value << "\n";
  io.out << "callersDel.json: " << st.del_state << "\ncallersAdd.json: " << st.add_state << "\n";
  io.out << "next incremental request: " << nextRequest(st).second << "\n";
}

}  // namespace

int runStatus(const std::string& root, bool json, Io& io) {
  std::optional<device::DeviceRoot> device;
  if (base::Status s = openDevice(root, device); !s.ok()) return fail(io, "", s);
  device::RealDevice real(*device);
  if (!real.settingsStatus().ok()) {
    return fail(io, "status", real.settingsStatus().withContext("cannot open the shared settings"));
  }
  platform::SettingsSnapshot all_values;
  if (base::Status s = real.settingsStore()->snapshot(all_values); !s.ok()) return fail(io, "status", s);
  const DeviceStatus st = readStatus(real.environment(), all_values);
  if (json) {
    printJson(st, io);
  } else {
    printText(st, io);
  }
  return kExitOk;
}

}  // namespace calldir::cli

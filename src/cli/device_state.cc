#include "cli/device_state.h"

#include <filesystem>

#include "cli/device_access.h"
#include "device/real_device.h"
#include "handler/dispatch.h"
#include "handler/keys.h"

namespace calldir::cli {

namespace {

std::string inQuotes(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string listState(const std::optional<storage::GroupListState>& state) {
  return state ? storage::describeGroupListKind(state->kind) : "without a container";
}

}  // namespace

base::Status readDeviceState(const device::DeviceRoot& device, DeviceState& out) {
  out = DeviceState{};
  device::RealDevice real(device);
  if (!real.settingsStatus().ok())
    return real.settingsStatus().withContext("cannot open the shared settings");
  platform::SettingsSnapshot values;
  if (base::Status s = real.settingsStore()->snapshot(values); !s.ok()) return s;
  platform::Environment env = real.environment();
  out.group = env.group;
  auto settings = env.settings.initWithSuiteName(env.group);
  out.flag_value = settings->objectForKey(handler::kClearAllKey);
  out.restore_value = settings->objectForKey(handler::kRestoreStatusKey);
  out.flag = out.flag_value.value_or(std::string(handler::kClearAllDefault));
  out.restore = out.restore_value.value_or(std::string(handler::kRestoreStatusDefault));
  for (std::string_view key : handler::kStatusKeys) {
    if (auto it = values.find(std::string(key)); it != values.end())
      out.status_lines.emplace_back(it->first, it->second);
  }
  storage::ListFiles files(env.files, env.bundle, env.group);
  if (env.files.containerURLForSecurityApplicationGroupIdentifier(env.group)) {
    out.del_list = files.inspectGroupFile(handler::kDeleteListName);
    out.add_list = files.inspectGroupFile(handler::kAddListName);
  }
  out.has_resource = env.bundle.pathForResource(handler::kZeroResourceName, "json").has_value();
  if (std::filesystem::exists(device.paths().store)) {
    std::unique_ptr<telephony::CallDirectoryStore> store;
    if (base::Status s = openCallDirectoryStore(device, store); !s.ok()) return s;
    out.entries = store->entryCount();
    out.last_request = store->lastRequest();
  }
  return base::Status::Ok();
}

std::optional<std::string> whyNothingApplied(const DeviceState& before, const telephony::RequestResult& r) {
  if (!r.completed) return std::nullopt;
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
      return "nothing applied: no delta list changed anything (the request found callersDel.json " +
             listState(before.del_list) + ", callersAdd.json " + listState(before.add_list) + ")";
    case handler::IncrementalAction::kNothing:
      return "nothing applied: CDListClearAllYN is " + inQuotes(before.flag) +
             ", not \"Y\", and CDListRestoreStatus is " + inQuotes(before.restore) + ", not \"END\"";
    case handler::IncrementalAction::kRestoreFromZero:
      break;
  }
  return std::nullopt;
}

std::optional<std::string> ignoredControlValue(const DeviceState& state) {
  if (state.flag_value && *state.flag_value != "Y" && *state.flag_value != "N") {
    return "CDListClearAllYN holds " + inQuotes(*state.flag_value) +
           ", which the extension takes as \"N\": only \"Y\" (exactly) asks for a restore from zero";
  }
  if (state.restore_value && *state.restore_value != "END" && *state.restore_value != "START") {
    return "CDListRestoreStatus holds " + inQuotes(*state.restore_value) +
           ", which the extension ignores: \"END\" lets updates run, \"START\" marks a restore in progress";
  }
  return std::nullopt;
}

}  // namespace calldir::cli

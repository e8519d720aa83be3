#include "cli/commands/status.h"

#include <ostream>

#include "base/json_writer.h"
#include "cli/common/device_state.h"
#include "cli/common/status_explain.h"
#include "handler/dispatch.h"
#include "handler/keys.h"

namespace calldir::cli {

namespace {

void writeListJson(base::JsonWriter& json, const DeviceState& st, const DeltaListState& list) {
  if (!st.has_container) {
    json.null();
    return;
  }
  json.beginObject().key("state").value(storage::describeForUpdate(list.kind));
  json.key("elements").value(static_cast<std::uint64_t>(list.elements));
  json.key("malformed").value(list.malformed).endObject();
}

void printJson(const DeviceState& st, const StatusOptions& options, Io& io) {
  const auto [action, next] = nextIncrementalRequest(st);
  base::JsonWriter json;
  json.beginObject().key("group").value(st.group).key("last_request");
  st.last_request ? json.raw(telephony::requestJson(st.last_request->result, st.last_request->at))
                  : json.null();
  json.key("entries").value(st.entries).key("control").beginObject();
  json.key(handler::kClearAllKey)
      .beginObject()
      .key("value")
      .value(st.flag)
      .key("set")
      .value(st.flag_value.has_value())
      .endObject();
  json.key(handler::kRestoreStatusKey).beginObject().key("value").value(st.restore);
  json.key("set").value(st.restore_value.has_value()).endObject().endObject();
  const auto ignored = ignoredControlValue(st);
  json.key("ignored_control_value");
  ignored ? json.value(*ignored) : json.null();
  json.key("status").beginObject();
  for (const auto& [key, value] : st.status_lines) json.key(key).value(value);
  json.endObject();
  if (options.explain) {
    json.key("explained").beginObject();
    for (const auto& [key, value] : st.status_lines) json.key(key).value(explainStatusLine(key, value));
    json.endObject();
  }
  json.key("next").beginObject().key("action").value(action).key("description").value(next).endObject();
  json.key("delta_lists").beginObject().key(handler::kDeleteListName);
  writeListJson(json, st, st.del_list);
  json.key(handler::kAddListName);
  writeListJson(json, st, st.add_list);
  json.endObject().key("resource_installed").value(st.has_resource).endObject();
  io.out << json.finish();
}

void printText(const DeviceState& st, const StatusOptions& options, Io& io) {
  io.out << inertText(lastRequestLine(st)) << "\n";
  io.out << handler::kClearAllKey << " = " << escapeForLine(st.flag)
         << (st.flag_value ? "" : " (not set; the default)") << "\n";
  io.out << handler::kRestoreStatusKey << " = " << escapeForLine(st.restore)
         << (st.restore_value ? "" : " (not set; the default)") << "\n";
  if (auto ignored = ignoredControlValue(st)) io.out << "note: " << escapeForLine(*ignored) << "\n";
  for (const auto& [key, value] : st.status_lines) {
    io.out << key << " = " << escapeForLine(value) << "\n";
    if (options.explain) io.out << "  " << escapeForLine(explainStatusLine(key, value)) << "\n";
  }
  io.out << handler::kDeleteListName << ": " << describeDeltaList(st, st.del_list) << "\n"
         << handler::kAddListName << ": " << describeDeltaList(st, st.add_list) << "\n";
  io.out << "next incremental request: " << escapeForLine(nextIncrementalRequest(st).second) << "\n";
}

}  // namespace

void declareStatus(CLI::App& command, StatusOptions& options) {
  command.add_flag("--json", options.json, "One JSON object");
  command.add_flag("--explain", options.explain, "Tell each status line as a sentence");
}

int runStatus(const StatusOptions& options, DeviceAccess& device, Io& io) {
  const auto st = readDeviceState(device);
  if (!st.ok()) return fail(io, "status", st.status());
  if (options.json) {
    printJson(*st, options, io);
  } else {
    printText(*st, options, io);
  }
  return kExitOk;
}

}  // namespace calldir::cli

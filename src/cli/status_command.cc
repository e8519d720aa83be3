#include "cli/status_command.h"

#include <simdjson.h>

#include <memory>
#include <ostream>

#include "base/json_writer.h"
#include "cli/device_state.h"
#include "cli/session.h"
#include "cli/status_explain.h"
#include "handler/dispatch.h"
#include "handler/keys.h"

namespace calldir::cli {

namespace {

// How a delta list's state reads in the text output.
std::string describe(const DeviceState& st, const DeltaListState& list) {
  using Kind = storage::ListContent::Kind;
  if (!st.has_container) return "no container";
  if (list.waiting()) {
    if (list.malformed) return "waiting, malformed (will be emptied without changes)";
    return "waiting, " + std::to_string(list.elements) + " element(s)";
  }
  if (list.kind == Kind::kMissing || list.kind == Kind::kEmpty) return storage::describeForUpdate(list.kind);
  return "no data (does not decode, or shorter than 16 characters)";
}

// The next incremental request's action, as a word and as a sentence.
std::pair<std::string, std::string> nextRequest(const DeviceState& st) {
  switch (handler::incrementalAction(st.flag, st.restore)) {
    case handler::IncrementalAction::kRestoreFromZero: {
      std::string next =
          "restore from zero: remove every entry and add the list resource callersAdd_Zero.json";
      if (!st.has_resource) next += " (there is none installed, so it will record \"Restore NO DATA\")";
      return {"restore", next};
    }
    case handler::IncrementalAction::kUpdateFromDeltaLists:
      return {"update", "update from the delta lists (" + std::string(handler::kDeleteListName) + ": " +
                            describe(st, st.del_list) + "; " + std::string(handler::kAddListName) + ": " +
                            describe(st, st.add_list) + ")"};
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
  if (!st.last_request) return "last request: none yet";
  simdjson::dom::parser parser;
  simdjson::dom::element note;
  if (parser.parse(*st.last_request).get(note)) return "last request: (unreadable note)";
  // A member of the note, or `fallback` when it is not there.
  auto member = [](simdjson::simdjson_result<simdjson::dom::element> value, auto fallback) {
    decltype(fallback) out;
    return value.get(out) == simdjson::SUCCESS ? out : fallback;
  };
  std::string line = "last request: " + std::string(member(note["kind"], std::string_view("?"))) + ", ";
  if (member(note["completed"], false)) {
    line += "completed";
  } else {
    line += "failed with error " + std::to_string(member(note["error"]["code"], std::int64_t{0})) + " (" +
            std::string(member(note["error"]["name"], std::string_view("?"))) + ")";
  }
  return line + ", at " + std::string(member(note["at"], std::string_view("?"))) + "; " +
         std::to_string(st.entries) + " entries stored now";
}

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
  const auto [action, next] = nextRequest(st);
  base::JsonWriter json;
  json.beginObject().key("group").value(st.group).key("last_request");
  st.last_request ? json.raw(*st.last_request) : json.null();
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
  io.out << lastRequestLine(st) << "\n";
  io.out << handler::kClearAllKey << " = " << st.flag << (st.flag_value ? "" : " (not set; the default)")
         << "\n";
  io.out << handler::kRestoreStatusKey << " = " << st.restore
         << (st.restore_value ? "" : " (not set; the default)") << "\n";
  if (auto ignored = ignoredControlValue(st)) io.out << "note: " << *ignored << "\n";
  for (const auto& [key, value] : st.status_lines) {
    io.out << key << " = " << escapeForLine(value) << "\n";
    if (options.explain) io.out << "  " << escapeForLine(explainStatusLine(key, value)) << "\n";
  }
  io.out << handler::kDeleteListName << ": " << describe(st, st.del_list) << "\n"
         << handler::kAddListName << ": " << describe(st, st.add_list) << "\n";
  io.out << "next incremental request: " << nextRequest(st).second << "\n";
}

}  // namespace

int runStatus(const StatusOptions& options, Io& io) {
  auto device = DeviceAccess::open(options.root);
  if (!device.ok()) return fail(io, "", device.status());
  const auto st = readDeviceState(**device);
  if (!st.ok()) return fail(io, "status", st.status());
  if (options.json) {
    printJson(*st, options, io);
  } else {
    printText(*st, options, io);
  }
  return kExitOk;
}

void addStatusCommands(CLI::App& app, Session& session) {
  auto options = std::make_shared<StatusOptions>();
  auto* status = app.add_subcommand("status",
                                    "The last request, the control keys, the status lines, the waiting delta "
                                    "lists and what the next request will do");
  status->add_flag("--json", options->json, "One JSON object");
  status->add_flag("--explain", options->explain, "Tell each status line as a sentence");
  status->callback([&session, options] {
    options->root = session.root();
    session.status = runStatus(*options, session.io);
  });
}

}  // namespace calldir::cli

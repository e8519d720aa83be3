#include "telephony/request_result.h"

#include <simdjson.h>

#include "base/json_writer.h"

namespace calldir::telephony {

std::string requestJson(const RequestResult& r, const std::string& at) {
  base::JsonWriter json;
  json.beginObject().key("kind").value(r.incremental ? "incremental" : "complete");
  json.key("completed").value(r.completed()).key("error");
  if (r.completed()) {
    json.null();
  } else {
    json.beginObject()
        .key("code")
        .value(r.error->code)
        .key("name")
        .value(platform::errorCodeName(r.error->code));
    json.key("reason").value(r.error->reason).endObject();
  }
  json.key("added").value(r.added).key("removed").value(r.removed).key("removed_all").value(r.removed_all);
  json.key("entries").value(r.entries).key("extension_cpu_seconds").value(r.extension_cpu_seconds, 3);
  json.key("extension_peak_bytes").value(r.extension_peak_bytes);
  json.key("service_peak_bytes").value(r.service_peak_bytes).key("wall_seconds").value(r.wall_seconds, 3);
  if (!at.empty()) json.key("at").value(at);
  json.endObject();
  std::string out = json.finish();
  out.pop_back();
  return out;
}

namespace {

// Sets `out` from the member of `note` at `key` when it is there and of
// `out`'s type.
template <typename T, typename Member>
void read(simdjson::dom::object note, std::string_view key, Member& out) {
  T value;
  if (note[key].get(value) == simdjson::SUCCESS) out = static_cast<Member>(value);
}

}  // namespace

base::Result<RequestNote> parseRequestNote(std::string_view json) {
  simdjson::dom::parser parser;
  simdjson::dom::object note;
  if (parser.parse(json.data(), json.size()).get(note) != simdjson::SUCCESS) {
    return base::Status::InvalidArgument("the request note is not a JSON object");
  }
  RequestNote out;
  RequestResult& r = out.result;
  std::string_view kind;
  if (note["kind"].get(kind) == simdjson::SUCCESS) r.incremental = kind == "incremental";
  simdjson::dom::object error;
  if (note["error"].get(error) == simdjson::SUCCESS) {
    platform::CallDirectoryError e;
    read<std::int64_t>(error, "code", e.code);
    std::string_view reason;
    if (error["reason"].get(reason) == simdjson::SUCCESS) e.reason = std::string(reason);
    r.error = e;
  }
  read<std::int64_t>(note, "added", r.added);
  read<std::int64_t>(note, "removed", r.removed);
  read<bool>(note, "removed_all", r.removed_all);
  read<std::int64_t>(note, "entries", r.entries);
  read<double>(note, "extension_cpu_seconds", r.extension_cpu_seconds);
  read<std::int64_t>(note, "extension_peak_bytes", r.extension_peak_bytes);
  read<std::int64_t>(note, "service_peak_bytes", r.service_peak_bytes);
  read<double>(note, "wall_seconds", r.wall_seconds);
  std::string_view at;
  if (note["at"].get(at) == simdjson::SUCCESS) out.at = std::string(at);
  return out;
}

}  // namespace calldir::telephony

#include "cli/common/ci_reports.h"

#include <iterator>

#include "base/json_writer.h"
#include "base/uri.h"
#include "cli/common/io.h"
#include "lists/problem_codes.h"

namespace calldir::cli {

namespace {

// What keeps the whole load from happening is an error; the rest warns.
bool refuses(std::string_view code) { return code == lists::kOutOfOrder || code == lists::kDuplicate; }

// Text for a workflow command, its bytes that the syntax gives a meaning to
// percent-escaped: "%", CR and LF in a message; ":" and "," too in a
// property value.
std::string escapedForCommand(std::string_view text, bool property) {
  std::string out;
  for (const char c : text) {
    if (c == '%' || c == '\r' || c == '\n' || (property && (c == ':' || c == ','))) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      out += '%';
      out += kHex[static_cast<unsigned char>(c) >> 4];
      out += kHex[c & 15];
    } else {
      out += c;
    }
  }
  return out;
}
std::string commandData(std::string_view text) { return escapedForCommand(text, false); }
std::string commandProperty(std::string_view text) { return escapedForCommand(text, true); }

constexpr const char* kNotAList = "not_a_list";

}  // namespace

void writeGithubAnnotations(const lists::CheckReport& report, const std::string& file, std::ostream& out) {
  // Inert as every text output is, then escaped as the commands want.
  const std::string where = "file=" + commandProperty(escapeForLine(file));
  if (!report.isList()) {
    out << "::error " << where << ",title=" << kNotAList
        << "::" << commandData(escapeForLine(report.verdict())) << "\n";
    return;
  }
  for (const lists::Problem& p : report.problems) {
    out << (refuses(p.code) ? "::error " : "::warning ") << where;
    if (p.line) out << ",line=" << *p.line;
    out << ",title=" << commandProperty(p.code)
        << "::" << commandData("element " + std::to_string(p.element) + ": " + escapeForLine(p.message))
        << "\n";
  }
}

void writeSarif(const lists::CheckReport& report, const std::string& file, std::ostream& out) {
  base::JsonWriter json;
  json.beginObject().key("version").value("2.1.0");
  json.key("$schema").value("https://json.schemastore.org/sarif-2.1.0.json");
  json.key("runs").beginArray().beginObject().key("tool").beginObject().key("driver").beginObject();
  json.key("name").value("calldir").key("version").value(CALLDIR_VERSION);
  json.key("rules").beginArray();
  for (const lists::ProblemKind& kind : lists::kProblemKinds) {
    json.beginObject().key("id").value(kind.name);
    json.key("shortDescription").beginObject().key("text").value(kind.means).endObject();
    json.key("help").beginObject().key("text").value(kind.to_do).endObject().endObject();
  }
  json.beginObject().key("id").value(kNotAList);
  json.key("shortDescription")
      .beginObject()
      .key("text")
      .value("the file is no list the extension reads")
      .endObject();
  json.endObject().endArray().endObject().endObject();  // rules, driver, tool

  auto result = [&](std::string_view code, const char* level, const std::string& message,
                    std::optional<std::size_t> line) {
    std::size_t index = std::size(lists::kProblemKinds);
    for (std::size_t i = 0; i < std::size(lists::kProblemKinds); ++i) {
      if (code == lists::kProblemKinds[i].name) index = i;
    }
    json.beginObject().key("ruleId").value(code).key("ruleIndex").value(static_cast<std::uint64_t>(index));
    json.key("level").value(level).key("message").beginObject().key("text").value(message).endObject();
    json.key("locations").beginArray().beginObject().key("physicalLocation").beginObject();
    json.key("artifactLocation").beginObject().key("uri").value(base::uriPath(file)).endObject();
    if (line)
      json.key("region").beginObject().key("startLine").value(static_cast<std::uint64_t>(*line)).endObject();
    json.endObject().endObject().endArray().endObject();
  };
  json.key("results").beginArray();
  if (!report.isList()) {
    result(kNotAList, "error", report.verdict(), std::nullopt);
  } else {
    for (const lists::Problem& p : report.problems) {
      result(p.code, refuses(p.code) ? "error" : "warning",
             "element " + std::to_string(p.element) + ": " + p.message, p.line);
    }
  }
  json.endArray().endObject().endArray().endObject();
  out << json.finish();
}

}  // namespace calldir::cli

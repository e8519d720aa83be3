#include "cli/commands/list_check.h"

#include "base/json_writer.h"
#include "cli/common/ci_reports.h"
#include "cli/common/list_reports.h"
#include "cli/common/option_values.h"
#include "cli/common/progress.h"
#include "platform/call_directory.h"
#include "storage/list_content.h"

namespace calldir::cli {

void declareListCheck(CLI::App& command, ListCheckOptions& options) {
  command.add_option("FILE", options.input, "List text or plain JSON list; - for standard input")
      ->type_name("FILE")
      ->capture_default_str();
  declareRole(command, options.role);
  declareRegion(command, options.region, "Region the numbers are written in (two letters, such as KR)");
  declareDigitsAsWritten(command, options.digits_as_written);
  declareListInput(command, options.format);
  command
      .add_option("--max-expand", options.max_expand,
                  "Say which ranges list fix would refuse: more numbers than this")
      ->type_name("N")
      ->check(wholeNumberIn(1, INT64_MAX))
      ->capture_default_str();
  auto* json = command.add_flag("--json", options.json, "One JSON object (as --format json)");
  command
      .add_option("--format", options.output,
                  "text; json; github: a workflow annotation per problem; sarif: a SARIF 2.1.0 log")
      ->check(CLI::IsMember({"text", "json", "github", "sarif"}))
      ->capture_default_str()
      ->excludes(json);
}

namespace {

void writeCheckJson(const lists::CheckReport& report, Io& io) {
  base::JsonWriter json;
  json.beginObject().key("role").value(lists::roleName(report.role));
  json.key("outcome").value(report.outcomeName()).key("verdict").value(report.verdict());
  json.key("elements").value(static_cast<std::uint64_t>(report.elements));
  json.key("applied").value(static_cast<std::uint64_t>(report.applied));
  json.key("range_numbers").value(report.range_numbers).key("refusal");
  if (report.refusal) {
    json.beginObject()
        .key("code")
        .value(report.refusal->error.code)
        .key("name")
        .value(platform::errorCodeName(report.refusal->error.code));
    json.key("element").value(static_cast<std::uint64_t>(report.refusal->element)).endObject();
  } else {
    json.null();
  }
  json.key("problems");
  writeProblems(json, report.problems);
  json.key("counts").beginObject();
  for (const auto& [code, count] : report.counts) json.key(code).value(static_cast<std::uint64_t>(count));
  io.out << json.endObject().endObject().finish();
}

}  // namespace

void printCheckReport(const lists::CheckReport& report, const std::string& name, std::ostream& out) {
  out << escapeForLine(name) << ": " << report.verdict() << "\n";
  for (const auto& p : report.problems) {
    out << problemLine(p) << "\n";
  }
  for (const auto& [code, count] : report.counts) {
    out << code << ": " << count;
    if (const std::size_t more = unlisted(report.problems, code, count)) {
      out << " (" << more << " not listed: --json lists every one)";
    }
    out << "\n";
  }
}

int runListCheck(const ListCheckOptions& options, Io& io) {
  auto input = readListInput(options.input, options.format, io);
  if (!input.ok()) return fail(io, "list check", input.status());
  lists::CheckOptions check;
  check.role = options.role;
  check.region = options.region;
  check.digits_as_written = options.digits_as_written;
  check.source_lines = input->sourceLines();
  check.max_expand = options.max_expand;
  const std::string format = options.json ? std::string("json") : options.output;
  // Text stops listing after some problems of each kind and says so; the
  // other formats list them all.
  const bool text = format == "text";
  if (!text) check.listed_per_kind = SIZE_MAX;
  Progress progress(io, text, "list check", "elements");
  check.progress = progress.callback();
  const lists::CheckReport report = lists::checkList(std::move(input->data), check);
  progress.finish();
  if (format == "json") {
    writeCheckJson(report, io);
  } else if (format == "github") {
    writeGithubAnnotations(report, options.input, io.out);
  } else if (format == "sarif") {
    writeSarif(report, options.input, io.out);
  } else {
    printCheckReport(report, displayName(options.input), io.out);
  }
  if (report.content == storage::ListContent::Kind::kUndecodable || report.malformed) return kExitBadInput;
  return report.clean() ? kExitOk : kExitNegative;
}

}  // namespace calldir::cli

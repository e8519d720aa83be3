#include "cli/list_commands.h"

#include <map>
#include <memory>
#include <ostream>

#include "base/json_writer.h"
#include "cli/list_fix_command.h"
#include "cli/option_values.h"
#include "cli/progress.h"
#include "cli/session.h"
#include "codec/text_decoding.h"
#include "lists/phone_numbers.h"
#include "platform/call_directory.h"
#include "platform/json.h"
#include "platform/text.h"
#include "storage/caller_list.h"
#include "storage/list_content.h"

namespace calldir::cli {

int runListEncode(const ListEncodeOptions& options, Io& io) {
  auto read = readListInput(options.input, options.format, io);
  if (!read.ok()) return fail(io, "list encode", read.status());
  std::string plain = std::move(read->data);
  if (!options.format.from_csv && !options.raw) {
    if (base::Status s = platform::checkJsonArray(plain); !s.ok()) {
      return exitWith(io,
                      "list encode: " + displayName(options.input) + " is not a caller list: " + s.message() +
                          " (use --raw to encode any bytes)",
                      kExitBadInput);
    }
  }
  std::string text = codec::encodeListText(std::move(plain), options.line_length);
  if (text.empty() || text.back() != '\n') text += '\n';
  if (base::Status s = writeOutput(options.output, text, io); !s.ok()) return fail(io, "list encode", s);
  return kExitOk;
}

namespace {

// The CSV of a plain caller list: a header "number,name", then a row per
// element that has both. What has no row is said on io.err.
base::Result<std::string> plainToCsv(std::string plain, Io& io) {
  auto list = storage::parseCallerList(std::move(plain));
  if (!list) return base::Status::InvalidArgument("the plain text is not a JSON array of caller entries");
  std::string csv(lists::kCsvHeader);
  std::map<std::string, std::size_t> left_out;
  storage::forEachCallerEntry(*list, [&](std::size_t, const storage::CallerEntry& e) {
    switch (storage::useForAdding(e)) {
      case storage::ElementUse::kApplied:
        return lists::appendCsvRow(csv, *e.number, *e.name);
      case storage::ElementUse::kNotObject:
        ++left_out["not an object"];
        return;
      case storage::ElementUse::kNoNumber:
        ++left_out["without a number"];
        return;
      case storage::ElementUse::kNoName:
        ++left_out["without a name"];
        return;
    }
  });
  if (!left_out.empty()) {
    std::size_t total = 0;
    std::string kinds;
    for (const auto& [kind, count] : left_out) {
      total += count;
      kinds += (kinds.empty() ? "" : ", ") + std::to_string(count) + " " + kind;
    }
    warn(io, "list decode: " + std::to_string(total) + " of " + std::to_string(list->count()) +
                 " element(s) written as no row (" + kinds + "): a row holds a number and a name");
  }
  return csv;
}

// Why `content` has no plain text to write, or ok.
base::Status decodedOrWhyNot(const storage::ListContent& content, const std::string& name) {
  using Kind = storage::ListContent::Kind;
  const std::string prefix = name + " does not decode: ";
  if (content.kind == Kind::kNotText) {
    return base::Status::InvalidArgument(prefix + "the file is not UTF-8 text, so it reads as no text");
  }
  if (content.kind == Kind::kEmpty || content.kind == Kind::kUndecodable ||
      content.failure == codec::DecodeFailure::kTooShort) {
    const auto failure = content.kind == Kind::kEmpty ? codec::DecodeFailure::kTooShort : content.failure;
    return base::Status::InvalidArgument(prefix + codec::describeDecodeFailure(failure));
  }
  return base::Status::Ok();
}

}  // namespace

int runListDecode(const ListDecodeOptions& options, Io& io) {
  auto read = readInput(options.input, io);
  if (!read.ok()) return fail(io, "list decode", read.status());
  storage::ListContent content = storage::readListText(std::move(read).value());
  if (base::Status s = decodedOrWhyNot(content, displayName(options.input)); !s.ok()) {
    return fail(io, "list decode", s);
  }
  if (!content.holdsData()) {
    warn(io, "the plain text is shorter than 16 characters; the extension reads it as a list without data");
  }
  std::string out = std::move(content.plain);
  if (options.to_csv) {
    auto csv = plainToCsv(std::move(out), io);
    if (!csv.ok()) return fail(io, "list decode: " + displayName(options.input), csv.status());
    out = std::move(csv).value();
  }
  if (base::Status s = writeOutput(options.output, out, io); !s.ok()) return fail(io, "list decode", s);
  return kExitOk;
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

void writeProblems(base::JsonWriter& json, const std::vector<lists::Problem>& problems) {
  json.beginArray();
  for (const auto& p : problems) {
    json.lineBreak().beginObject().key("element").value(static_cast<std::uint64_t>(p.element)).key("line");
    p.line ? json.value(static_cast<std::uint64_t>(*p.line)) : json.null();
    json.key("code").value(p.code).key("message").value(p.message).endObject();
  }
  json.endArray();
}

void printCheckReport(const lists::CheckReport& report, const std::string& name, std::ostream& out) {
  out << name << ": " << report.verdict() << "\n";
  for (const auto& p : report.problems) {
    out << "element " << p.element << (p.line ? " (line " + std::to_string(*p.line) + ")" : "") << ": "
        << p.code << ": " << escapeForLine(p.message) << "\n";
  }
  for (const auto& [code, count] : report.counts) {
    std::size_t listed = 0;
    for (const auto& p : report.problems) listed += p.code == code;
    out << code << ": " << count;
    if (listed < count) out << " (" << count - listed << " not listed)";
    out << "\n";
  }
}

int runListCheck(const ListCheckOptions& options, Io& io) {
  auto input = readListInput(options.input, options.format, io);
  if (!input.ok()) return fail(io, "list check", input.status());
  lists::CheckOptions check;
  check.role = options.role;
  check.region = options.region;
  check.source_lines = input->sourceLines();
  check.max_expand = options.max_expand;
  Progress progress(io, !options.json, "list check", "elements");
  check.progress = progress.callback();
  const lists::CheckReport report = lists::checkList(std::move(input->data), check);
  progress.finish();
  if (options.json) {
    writeCheckJson(report, io);
  } else {
    printCheckReport(report, displayName(options.input), io.out);
  }
  if (report.content == storage::ListContent::Kind::kUndecodable || report.malformed) return kExitBadInput;
  return report.clean() ? kExitOk : kExitNegative;
}

void addRoleAndRegion(CLI::App* command, std::string& role, std::string& region) {
  command->add_option("--role", role, "What the list is: resource (a restore adds it), add or del")
      ->check(CLI::IsMember({"resource", "add", "del"}))
      ->capture_default_str();
  command->add_option("--region", region, "Region the numbers are written in (two letters, such as KR)")
      ->type_name("CC")
      ->check(knownRegion());
}

CLI::Validator knownRegion() {
  return CLI::Validator(
      [](std::string& value) {
        return lists::isKnownRegion(value) ? std::string() : "unknown region code \"" + value + "\"";
      },
      "", "region");
}

namespace {

void addEncodeCommand(CLI::App* list, Session& session) {
  auto options = std::make_shared<ListEncodeOptions>();
  auto input = std::make_shared<InputFlags>();
  auto* encode = list->add_subcommand(
      "encode", "Encode a plain JSON caller list into a list text (Base64 of AES-256 under the list key)");
  encode->add_option("FILE", options->input, "Plain JSON caller list; - for standard input")
      ->type_name("FILE")
      ->capture_default_str();
  encode->add_option("-o,--output", options->output, "Write the list text to FILE instead of standard output")
      ->type_name("FILE");
  encode
      ->add_option(
          "--line-length", options->line_length,
          "Break the Base64 text into lines of this many characters (rounded up to a multiple of 4); 0 "
          "for one line")
      ->type_name("N")
      ->check(wholeNumberIn(0, INT64_MAX))
      ->capture_default_str();
  encode->add_flag("--raw", options->raw, "Encode any bytes, without checking for a UTF-8 JSON array");
  input->addTo(encode);
  encode->callback([&session, options, input] {
    options->format = input->apply();
    session.status = runListEncode(*options, session.io);
  });
}

void addDecodeCommand(CLI::App* list, Session& session) {
  auto options = std::make_shared<ListDecodeOptions>();
  auto to = std::make_shared<std::string>("json");
  auto* decode = list->add_subcommand(
      "decode", "Decode a list text into its plain JSON text, exactly as the extension reads list files");
  decode->add_option("FILE", options->input, "List text; - for standard input")
      ->type_name("FILE")
      ->capture_default_str();
  decode
      ->add_option("-o,--output", options->output, "Write the plain text to FILE instead of standard output")
      ->type_name("FILE");
  decode->add_option("--to", *to, "Write the plain JSON text, or CSV (number,name with a header)")
      ->check(CLI::IsMember({"json", "csv"}))
      ->capture_default_str();
  decode->callback([&session, options, to] {
    options->to_csv = *to == "csv";
    session.status = runListDecode(*options, session.io);
  });
}

void addCheckCommand(CLI::App* list, Session& session) {
  auto options = std::make_shared<ListCheckOptions>();
  auto role = std::make_shared<std::string>("resource");
  auto input = std::make_shared<InputFlags>();
  auto* check = list->add_subcommand(
      "check",
      "Read a list (list text or plain JSON) the way the extension does and say what a request would do");
  check->add_option("FILE", options->input, "List text or plain JSON list; - for standard input")
      ->type_name("FILE")
      ->capture_default_str();
  addRoleAndRegion(check, *role, options->region);
  input->addTo(check);
  check
      ->add_option("--max-expand", options->max_expand,
                   "Say which ranges list fix would refuse: more numbers than this")
      ->type_name("N")
      ->check(wholeNumberIn(1, INT64_MAX))
      ->capture_default_str();
  check->add_flag("--json", options->json, "One JSON object");
  check->callback([&session, options, role, input] {
    options->format = input->apply();
    options->role = lists::roleNamed(*role).value_or(lists::ListRole::kResource);
    session.status = runListCheck(*options, session.io);
  });
}

}  // namespace

void addListCommands(CLI::App& app, Session& session) {
  auto* list = addGroup(app, "list", "Prepare, read and check caller list files", session);
  addEncodeCommand(list, session);
  addDecodeCommand(list, session);
  addCheckCommand(list, session);
  addListFixCommands(list, session);
}

}  // namespace calldir::cli

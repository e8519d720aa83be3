#include "cli/commands/list_fix.h"

#include <ostream>

#include "base/file_io.h"
#include "base/json_writer.h"
#include "cli/common/list_install.h"
#include "cli/common/list_reports.h"
#include "cli/common/option_values.h"
#include "cli/common/progress.h"
#include "lists/csv.h"

namespace calldir::cli {

void declareListFix(CLI::App& command, ListFixOptions& options) {
  lists::FixOptions& fix = options.fix;
  command.add_option("FILE", options.input, "List text or plain JSON list; - for standard input")
      ->type_name("FILE")
      ->capture_default_str();
  command
      .add_option("-o,--output", options.output, "Write the fixed list to FILE instead of standard output")
      ->type_name("FILE");
  declareRole(command, fix.role);
  declareRegion(command, fix.region, "Region the numbers are written in (two letters, such as KR)");
  declareDigitsAsWritten(command, fix.digits_as_written);
  declareOnConflict(command, fix.on_conflict);
  command.add_flag(
      "--keep-doubtful", fix.keep_doubtful,
      "Write a number libphonenumber holds invalid as what it would become, instead of dropping it");
  command.add_flag("--encode", options.encode, "Write a list text instead of plain JSON");
  command.add_flag("--json", options.json,
                   "The report as one JSON object on standard output (-o is then required)");
  command.add_flag("--expand-ranges", fix.expand_ranges,
                   "Write every number of a range whose last digits are # (+82 1588-####), with its name");
  command
      .add_option("--max-expand", fix.max_expand,
                  "Refuse, before anything is written, a range of more numbers than this")
      ->type_name("N")
      ->check(wholeNumberIn(1, INT64_MAX))
      ->capture_default_str();
  command
      .add_option("--rejects", options.rejects,
                  "Write every element not written to FILE as CSV: element, line, code, the number as "
                  "written, what it would have been")
      ->type_name("FILE");
  declareListInput(command, options.format);
}

namespace {

void writeConflict(base::JsonWriter& json, const lists::Conflict& conflict) {
  json.lineBreak().beginObject().key("number").value(conflict.number).key("names").beginArray();
  for (const auto& named : conflict.names) {
    json.beginObject().key("name").value(named.name).key("elements").beginArray();
    for (std::size_t element : named.elements) json.value(static_cast<std::uint64_t>(element));
    json.endArray().key("lines").beginArray();
    for (std::size_t line : named.lines) json.value(static_cast<std::uint64_t>(line));
    json.endArray().endObject();
  }
  json.endArray().key("kept");
  conflict.kept ? json.value(conflict.names[*conflict.kept].name) : json.null();
  json.endObject();
}

void writeFixJson(const lists::FixReport& r, const ListFixOptions& options, Io& io) {
  base::JsonWriter json;
  json.beginObject().key("role").value(lists::roleName(options.fix.role));
  json.key("elements")
      .value(static_cast<std::uint64_t>(r.elements))
      .key("written")
      .value(static_cast<std::uint64_t>(r.written));
  json.key("failed").value(r.failed).key("dropped").beginObject();
  for (const auto& [code, count] : r.dropped) json.key(code).value(static_cast<std::uint64_t>(count));
  json.endObject().key("numbers_rewritten").value(static_cast<std::uint64_t>(r.numbers_rewritten));
  json.key("members_removed").value(static_cast<std::uint64_t>(r.members_removed));
  json.key("repeats")
      .value(static_cast<std::uint64_t>(r.repeats))
      .key("conflicts")
      .value(static_cast<std::uint64_t>(r.conflicts));
  json.key("doubtful_kept").value(static_cast<std::uint64_t>(r.doubtful_kept));
  json.key("ambiguous").value(static_cast<std::uint64_t>(r.ambiguous));
  json.key("names_normalized").value(static_cast<std::uint64_t>(r.names_normalized));
  json.key("ranges").value(static_cast<std::uint64_t>(r.ranges)).key("range_numbers").value(r.range_numbers);
  json.key("reordered").value(r.reordered).key("problems");
  writeProblems(json, r.problems);
  json.key("conflict_list").beginArray();
  for (const lists::Conflict& conflict : r.conflict_list) writeConflict(json, conflict);
  io.out << json.endArray().endObject().finish();
}

void printFixReport(const lists::FixReport& r, Io& io) {
  io.err << "calldir: list fix: " << r.elements << " element(s) read, " << r.written << " written";
  for (const auto& [code, count] : r.dropped) io.err << "; " << count << " dropped (" << code << ")";
  if (r.numbers_rewritten) io.err << "; " << r.numbers_rewritten << " number(s) rewritten as E.164 digits";
  if (r.members_removed) io.err << "; " << r.members_removed << " element(s) lost other members";
  if (r.repeats) io.err << "; " << r.repeats << " exact repeat(s) dropped";
  if (r.conflicts) io.err << "; " << r.conflicts << " conflict(s)";
  if (r.doubtful_kept) io.err << "; " << r.doubtful_kept << " doubtful number(s) kept";
  if (r.ambiguous) io.err << "; " << r.ambiguous << " ambiguous number(s) written as read in the region";
  if (r.names_normalized)
    io.err << "; " << r.names_normalized << " name(s) written in Unicode NFC without surrounding white space";
  if (r.ranges) io.err << "; " << r.ranges << " range(s) expanded to " << r.range_numbers << " number(s)";
  if (r.reordered) io.err << "; sorted by number";
  io.err << "\n";
  for (const auto& p : r.problems) io.err << "calldir: list fix: " << problemLine(p) << "\n";
  for (const auto& [code, count] : r.dropped) {
    if (const std::size_t more = unlisted(r.problems, code, count)) {
      io.err << "calldir: list fix: and " << more << " more dropped (" << code
             << "): --rejects FILE or --json lists every one\n";
    }
  }
  if (r.failed) {
    io.err << "calldir: list fix: nothing written: settle the conflicts with --on-conflict first or last\n";
  }
}

// Where a list written a piece at a time goes: standard output for "" or
// "-", else a file that replaces the output path once committed.
class PieceOutput {
 public:
  static base::Result<PieceOutput> open(const std::string& path, Io& io) {
    if (path.empty() || path == "-") return PieceOutput(io, std::nullopt);
    auto file = base::FileReplacement::create(path);
    if (!file.ok()) return file.status();
    return PieceOutput(io, std::move(file).value());
  }
  base::Status write(std::string_view piece) {
    if (file_) return file_->write(piece);
    io_.out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    return io_.out ? base::Status::Ok() : base::Status::IoError("cannot write to standard output");
  }
  base::Status commit() { return file_ ? file_->commit() : base::Status::Ok(); }

 private:
  PieceOutput(Io& io, std::optional<base::FileReplacement> file) : io_(io), file_(std::move(file)) {}
  Io& io_;
  std::optional<base::FileReplacement> file_;
};

}  // namespace

int runListFix(const ListFixOptions& options, Io& io) {
  if (options.json && (options.output.empty() || options.output == "-")) {
    return exitWith(
        io, "list fix: --json prints the report on standard output; name the fixed list's file with -o",
        kExitBadInput);
  }
  auto input = readListInput(options.input, options.format, io);
  if (!input.ok()) return fail(io, "list fix", input.status());
  lists::FixOptions fix = options.fix;
  fix.source_lines = input->sourceLines();
  // A plain list goes out a piece at a time, never held whole beside the
  // list it is made from; a list text must be encrypted whole.
  std::optional<PieceOutput> output;
  if (!options.encode) {
    auto opened = PieceOutput::open(options.output, io);
    if (!opened.ok()) return fail(io, "list fix", opened.status());
    output.emplace(std::move(opened).value());
    fix.write = [&output](std::string_view piece) { return output->write(piece); };
  }
  if (options.json) fix.listed_per_kind = SIZE_MAX;
  std::string rejects(kRejectsHeader);
  if (!options.rejects.empty()) fix.reject = [&rejects](const lists::Reject& r) { rejects += rejectRow(r); };
  Progress progress(io, !options.json, "list fix", "elements");
  fix.progress = progress.callback();
  const auto fixed = lists::fixList(std::move(input->data), fix);
  progress.finish();
  if (!fixed.ok()) return fail(io, "list fix: " + displayName(options.input), fixed.status());
  const lists::FixReport& report = fixed->report;
  if (!report.failed) {
    base::Status s =
        options.encode ? writeListFile(options.output, fixed->plain, true, io) : output->commit();
    if (s.ok() && !options.rejects.empty()) s = writeOutput(options.rejects, rejects, io);
    if (!s.ok()) return fail(io, "list fix", s);
  }
  if (options.json) {
    writeFixJson(report, options, io);
  } else {
    printFixReport(report, io);
  }
  return report.failed ? kExitNegative : kExitOk;
}

}  // namespace calldir::cli

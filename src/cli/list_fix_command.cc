#include "cli/list_fix_command.h"

#include <memory>
#include <ostream>

#include "base/file_io.h"
#include "base/json_writer.h"
#include "cli/list_commands.h"
#include "cli/option_values.h"
#include "cli/progress.h"
#include "cli/session.h"
#include "codec/text_decoding.h"
#include "lists/caller_entries.h"
#include "lists/list_diff.h"

namespace calldir::cli {

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
  if (r.ranges) io.err << "; " << r.ranges << " range(s) expanded to " << r.range_numbers << " number(s)";
  if (r.reordered) io.err << "; sorted by number";
  io.err << "\n";
  for (const auto& p : r.problems) {
    io.err << "calldir: list fix: element " << p.element
           << (p.line ? " (line " + std::to_string(*p.line) + ")" : "") << ": " << p.code << ": "
           << escapeForLine(p.message) << "\n";
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

// A list as it is written out: plain JSON, or a list text.
base::Status writeList(const std::string& path, const std::string& plain, bool encode, Io& io) {
  if (!encode) return writeOutput(path, plain, io);
  return writeOutput(path, codec::encodeListText(plain) + "\n", io);
}

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
  Progress progress(io, !options.json, "list fix", "elements");
  fix.progress = progress.callback();
  const auto fixed = lists::fixList(std::move(input->data), fix);
  progress.finish();
  if (!fixed.ok()) return fail(io, "list fix: " + displayName(options.input), fixed.status());
  const lists::FixReport& report = fixed->report;
  if (!report.failed) {
    base::Status s = options.encode ? writeList(options.output, fixed->plain, true, io) : output->commit();
    if (!s.ok()) return fail(io, "list fix", s);
  }
  if (options.json) {
    writeFixJson(report, options, io);
  } else {
    printFixReport(report, io);
  }
  return report.failed ? kExitNegative : kExitOk;
}

namespace {

// The entries of the full list at `path`.
base::Result<lists::CallerEntries> readFullList(const std::string& path, const ListDiffOptions& options,
                                                Io& io) {
  auto input = readListInput(path, options.format, io);
  if (!input.ok()) return input.status();
  lists::ReadEntriesOptions read = options.read;
  read.source_lines = input->sourceLines();
  Progress progress(io, !options.json, "list diff: " + displayName(path), "elements");
  read.progress = progress.callback();
  auto entries = lists::readCallerEntries(std::move(input->data), read);
  if (!entries.ok()) return entries.status().withContext(displayName(path));
  return entries;
}

}  // namespace

int runListDiff(const ListDiffOptions& options, Io& io) {
  auto old_list = readFullList(options.old_input, options, io);
  if (!old_list.ok()) return fail(io, "list diff", old_list.status());
  auto new_list = readFullList(options.new_input, options, io);
  if (!new_list.ok()) return fail(io, "list diff", new_list.status());
  const auto diffed = lists::diffLists(*old_list, *new_list);
  if (!diffed.ok()) return fail(io, "list diff", diffed.status());
  const lists::ListDiff& diff = *diffed;
  if (base::Status s = writeList(options.del_output, diff.del_plain, !options.plain, io); !s.ok()) {
    return fail(io, "list diff", s);
  }
  if (base::Status s = writeList(options.add_output, diff.add_plain, !options.plain, io); !s.ok()) {
    return fail(io, "list diff", s);
  }
  if (options.json) {
    base::JsonWriter json;
    json.beginObject().key("removed").value(static_cast<std::uint64_t>(diff.removed));
    json.key("added")
        .value(static_cast<std::uint64_t>(diff.added))
        .key("renamed")
        .value(static_cast<std::uint64_t>(diff.renamed));
    io.out << json.endObject().finish();
  } else {
    io.out << "removed " << diff.removed << ", added " << diff.added << ", renamed " << diff.renamed << "\n";
  }
  return kExitOk;
}

namespace {

void addFixCommand(CLI::App* list, Session& session) {
  struct Flags {
    ListFixOptions fix;
    std::string role = "resource";
    std::string on_conflict = "fail";
    InputFlags input;
  };
  auto flags = std::make_shared<Flags>();
  auto* fix = list->add_subcommand("fix",
                                   "Write a list the platform accepts and that means what its author meant "
                                   "(numbers as E.164 digits, sorted, "
                                   "repeats and unusable elements dropped)");
  fix->add_option("FILE", flags->fix.input, "List text or plain JSON list; - for standard input")
      ->type_name("FILE")
      ->capture_default_str();
  fix->add_option("-o,--output", flags->fix.output, "Write the fixed list to FILE instead of standard output")
      ->type_name("FILE");
  addRoleAndRegion(fix, flags->role, flags->fix.fix.region);
  fix->add_option("--on-conflict", flags->on_conflict,
                  "The same number with different names: fail (report them, write nothing), first or last")
      ->check(CLI::IsMember({"fail", "first", "last"}))
      ->capture_default_str();
  fix->add_flag(
      "--keep-doubtful", flags->fix.fix.keep_doubtful,
      "Write a number libphonenumber holds invalid as what it would become, instead of dropping it");
  fix->add_flag("--encode", flags->fix.encode, "Write a list text instead of plain JSON");
  fix->add_flag("--json", flags->fix.json,
                "The report as one JSON object on standard output (-o is then required)");
  fix->add_flag("--expand-ranges", flags->fix.fix.expand_ranges,
                "Write every number of a range whose last digits are # (+82 1588-####), with its name");
  fix->add_option("--max-expand", flags->fix.fix.max_expand,
                  "Refuse, before anything is written, a range of more numbers than this")
      ->type_name("N")
      ->check(wholeNumberIn(1, INT64_MAX))
      ->capture_default_str();
  flags->input.addTo(fix);
  fix->callback([&session, flags] {
    flags->fix.format = flags->input.apply();
    flags->fix.fix.role = lists::roleNamed(flags->role).value_or(lists::ListRole::kResource);
    flags->fix.fix.on_conflict = flags->on_conflict == "first"  ? lists::ConflictRule::kFirst
                                 : flags->on_conflict == "last" ? lists::ConflictRule::kLast
                                                                : lists::ConflictRule::kFail;
    session.status = runListFix(flags->fix, session.io);
  });
}

void addDiffCommand(CLI::App* list, Session& session) {
  auto options = std::make_shared<ListDiffOptions>();
  auto input = std::make_shared<InputFlags>();
  auto* diff = list->add_subcommand(
      "diff", "Write the delete list and the add list that turn a store holding OLD into NEW (full lists)");
  diff->add_option("OLD", options->old_input, "Yesterday's full list (list text or plain JSON)")
      ->type_name("FILE")
      ->required();
  diff->add_option("NEW", options->new_input, "Today's full list")->type_name("FILE")->required();
  diff->add_option("--del", options->del_output, "Write the delete list (callersDel.json) to FILE")
      ->type_name("FILE")
      ->required();
  diff->add_option("--add", options->add_output, "Write the add list (callersAdd.json) to FILE")
      ->type_name("FILE")
      ->required();
  diff->add_option("--region", options->read.region,
                   "Region the numbers not written internationally are in, read as list fix reads them")
      ->type_name("CC")
      ->check(knownRegion());
  diff->add_flag(
      "--keep-doubtful", options->read.keep_doubtful,
      "Take a number libphonenumber holds invalid as what it would become, instead of refusing it");
  diff->add_flag("--plain", options->plain, "Write plain JSON lists instead of list texts");
  diff->add_flag("--json", options->json, "The summary as one JSON object");
  input->addTo(diff);
  diff->callback([&session, options, input] {
    options->format = input->apply();
    session.status = runListDiff(*options, session.io);
  });
}

}  // namespace

void addListFixCommands(CLI::App* list, Session& session) {
  addFixCommand(list, session);
  addDiffCommand(list, session);
}

}  // namespace calldir::cli

#include "cli/list_fix_command.h"

#include <ostream>

#include "base/json_writer.h"
#include "codec/text_decoding.h"
#include "lists/caller_entries.h"
#include "lists/list_diff.h"

namespace calldir::cli {

namespace {

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
  json.key("reordered").value(r.reordered).key("problems").beginArray();
  for (const auto& p : r.problems) {
    json.lineBreak().beginObject().key("element").value(static_cast<std::uint64_t>(p.element)).key("line");
    p.line ? json.value(static_cast<std::uint64_t>(*p.line)) : json.null();
    json.key("code").value(p.code).key("message").value(p.message).endObject();
  }
  io.out << json.endArray().endObject().finish();
}

void printFixReport(const lists::FixReport& r, Io& io) {
  io.err << "calldir: list fix: " << r.elements << " element(s) read, " << r.written << " written";
  for (const auto& [code, count] : r.dropped) io.err << "; " << count << " dropped (" << code << ")";
  if (r.numbers_rewritten) io.err << "; " << r.numbers_rewritten << " number(s) rewritten as E.164 digits";
  if (r.members_removed) io.err << "; " << r.members_removed << " element(s) lost other members";
  if (r.repeats) io.err << "; " << r.repeats << " exact repeat(s) dropped";
  if (r.conflicts) io.err << "; " << r.conflicts << " conflict(s)";
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

// A list as it is written out: plain JSON, or a list text.
base::Status writeList(const std::string& path, const std::string& plain, bool encode, Io& io) {
  if (!encode) return writeOutput(path, plain, io);
  return writeOutput(path, codec::encodeListText(plain) + "\n", io);
}

}  // namespace

int runListFix(const ListFixOptions& options, Io& io) {
  if (options.json && (options.output.empty() || options.output == "-")) {
    return fail(io,
                "list fix: --json prints the report on standard output; name the fixed list's file with -o",
                kExitBadInput);
  }
  std::string data;
  if (base::Status s = readInput(options.input, io, data); !s.ok()) return fail(io, "list fix", s);
  std::string plain;
  lists::FixReport report;
  if (base::Status s = lists::fixList(std::move(data), options.fix, plain, report); !s.ok()) {
    return fail(io, "list fix: " + displayName(options.input), s);
  }
  if (!report.failed) {
    if (base::Status s = writeList(options.output, plain, options.encode, io); !s.ok())
      return fail(io, "list fix", s);
  }
  if (options.json) {
    writeFixJson(report, options, io);
  } else {
    printFixReport(report, io);
  }
  return report.failed ? kExitNegative : kExitOk;
}

int runListDiff(const ListDiffOptions& options, Io& io) {
  lists::CallerEntries old_list, new_list;
  for (auto [path, list] :
       {std::pair{&options.old_input, &old_list}, std::pair{&options.new_input, &new_list}}) {
    std::string data;
    if (base::Status s = readInput(*path, io, data); !s.ok()) return fail(io, "list diff", s);
    if (base::Status s = lists::readCallerEntries(std::move(data), *list); !s.ok()) {
      return fail(io, "list diff: " + displayName(*path), s);
    }
  }
  lists::ListDiff diff;
  if (base::Status s = lists::diffLists(old_list, new_list, diff); !s.ok()) return fail(io, "list diff", s);
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

}  // namespace calldir::cli

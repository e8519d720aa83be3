#include "cli/commands/list_diff.h"

#include <map>
#include <ostream>

#include "base/json_writer.h"
#include "cli/common/list_install.h"
#include "cli/common/list_reports.h"
#include "cli/common/option_values.h"
#include "cli/common/progress.h"
#include "lists/list_diff.h"
#include "lists/list_fix.h"
#include "lists/number_reader.h"

namespace calldir::cli {

void declareListDiff(CLI::App& command, ListDiffOptions& options) {
  command.add_option("OLD", options.old_input, "Yesterday's full list (list text or plain JSON)")
      ->type_name("FILE")
      ->required();
  command.add_option("NEW", options.new_input, "Today's full list")->type_name("FILE")->required();
  command.add_option("--del", options.del_output, "Write the delete list (callersDel.json) to FILE")
      ->type_name("FILE")
      ->required();
  command.add_option("--add", options.add_output, "Write the add list (callersAdd.json) to FILE")
      ->type_name("FILE")
      ->required();
  declareRegion(command, options.read.region,
                "Region the numbers not written internationally are in, read as list fix reads them");
  declareDigitsAsWritten(command, options.read.digits_as_written);
  declareOnConflict(command, options.on_conflict);
  command
      .add_option(
          "--rejects", options.rejects,
          "Write every element of either list that the diff leaves out to FILE as CSV (list, element, "
          "line, code, the number as written, what it would have been)")
      ->type_name("FILE");
  command.add_flag(
      "--keep-doubtful", options.read.keep_doubtful,
      "Take a number libphonenumber holds invalid as what it would become, instead of leaving it out");
  command.add_flag("--plain", options.plain, "Write plain JSON lists instead of list texts");
  command.add_flag("--json", options.json, "The summary as one JSON object");
  declareListInput(command, options.format);
}

namespace {

// One list of the two, read as `list fix` reads it and fixed in memory:
// what it leaves out goes to `rejects` (when asked for) and is counted.
struct FixedList {
  lists::CallerEntries entries;
  std::size_t left_out = 0;
  std::map<std::string, std::size_t> left_out_per_code;
};

base::Result<FixedList> readFixed(const std::string& path, const char* which, const ListDiffOptions& options,
                                  lists::NumberReader& reader, std::string* rejects, Io& io) {
  auto input = readListInput(path, options.format, io);
  if (!input.ok()) return input.status();
  lists::FixOptions fix;
  fix.region = options.read.region;
  fix.digits_as_written = options.read.digits_as_written;
  fix.keep_doubtful = options.read.keep_doubtful;
  fix.on_conflict = options.on_conflict;
  fix.source_lines = input->sourceLines();
  fix.reader = &reader;
  FixedList out;
  fix.reject = [&](const lists::Reject& r) {
    ++out.left_out;
    ++out.left_out_per_code[r.code];
    if (rejects != nullptr) *rejects += std::string(which) + "," + rejectRow(r);
  };
  Progress progress(io, !options.json, "list diff: " + displayName(path), "elements");
  fix.progress = progress.callback();
  // The diff needs the fixed list's entries, not its text.
  fix.entries = &out.entries;
  auto fixed = lists::fixList(std::move(input->data), fix);
  progress.finish();
  if (!fixed.ok()) return fixed.status().withContext(displayName(path));
  if (fixed->report.failed) {
    std::string conflicts;
    for (const auto& conflict : fixed->report.conflict_list) {
      conflicts += "; " + conflict.describe(options.on_conflict);
    }
    return base::Status::InvalidArgument(
        displayName(path) + ": " + std::to_string(fixed->report.conflicts) +
        " number(s) with several names, settle them with --on-conflict first "
        "or last" +
        conflicts);
  }
  return out;
}

// "N of OLD left out (code n, ...)" for the summary, or "".
std::string leftOut(const FixedList& list, const std::string& path) {
  if (list.left_out == 0) return "";
  std::string codes;
  for (const auto& [code, count] : list.left_out_per_code) {
    codes += (codes.empty() ? "" : ", ") + std::to_string(count) + " " + code;
  }
  return std::to_string(list.left_out) + " element(s) of " + displayName(path) + " left out (" + codes + ")";
}

}  // namespace

int runListDiff(const ListDiffOptions& options, Io& io) {
  std::string rejects = "list," + std::string(kRejectsHeader);
  std::string* kept_rejects = options.rejects.empty() ? nullptr : &rejects;
  // One reader for both lists, which hold mostly the same numbers.
  lists::NumberReader reader(options.read.region, options.read.digits_as_written);
  auto old_list = readFixed(options.old_input, "old", options, reader, kept_rejects, io);
  if (!old_list.ok()) return fail(io, "list diff", old_list.status());
  auto new_list = readFixed(options.new_input, "new", options, reader, kept_rejects, io);
  if (!new_list.ok()) return fail(io, "list diff", new_list.status());
  const auto diffed = lists::diffLists(old_list->entries, new_list->entries);
  if (!diffed.ok()) return fail(io, "list diff", diffed.status());
  const lists::ListDiff& diff = *diffed;
  if (base::Status s = writeListFile(options.del_output, diff.del_plain, !options.plain, io); !s.ok()) {
    return fail(io, "list diff", s);
  }
  if (base::Status s = writeListFile(options.add_output, diff.add_plain, !options.plain, io); !s.ok()) {
    return fail(io, "list diff", s);
  }
  if (kept_rejects != nullptr) {
    if (base::Status s = writeOutput(options.rejects, rejects, io); !s.ok()) return fail(io, "list diff", s);
  }
  for (const FixedList* list : {&*old_list, &*new_list}) {
    const std::string& path = list == &*old_list ? options.old_input : options.new_input;
    if (const std::string told = leftOut(*list, path); !told.empty()) {
      warn(io, "list diff: " + told + (options.rejects.empty() ? "; --rejects FILE names every one" : ""));
    }
  }
  if (options.json) {
    base::JsonWriter json;
    json.beginObject().key("removed").value(static_cast<std::uint64_t>(diff.removed));
    json.key("added")
        .value(static_cast<std::uint64_t>(diff.added))
        .key("renamed")
        .value(static_cast<std::uint64_t>(diff.renamed));
    json.key("left_out").beginObject().key("old").value(static_cast<std::uint64_t>(old_list->left_out));
    json.key("new").value(static_cast<std::uint64_t>(new_list->left_out)).endObject();
    io.out << json.endObject().finish();
  } else {
    io.out << "removed " << diff.removed << ", added " << diff.added << ", renamed " << diff.renamed << "\n";
  }
  return kExitOk;
}

}  // namespace calldir::cli

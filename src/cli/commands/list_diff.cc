#include "cli/commands/list_diff.h"

#include <ostream>

#include "base/json_writer.h"
#include "cli/common/list_install.h"
#include "cli/common/option_values.h"
#include "cli/common/progress.h"
#include "lists/list_diff.h"

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
  command.add_flag(
      "--keep-doubtful", options.read.keep_doubtful,
      "Take a number libphonenumber holds invalid as what it would become, instead of refusing it");
  command.add_flag("--plain", options.plain, "Write plain JSON lists instead of list texts");
  command.add_flag("--json", options.json, "The summary as one JSON object");
  declareListInput(command, options.format);
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
  if (base::Status s = writeListFile(options.del_output, diff.del_plain, !options.plain, io); !s.ok()) {
    return fail(io, "list diff", s);
  }
  if (base::Status s = writeListFile(options.add_output, diff.add_plain, !options.plain, io); !s.ok()) {
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

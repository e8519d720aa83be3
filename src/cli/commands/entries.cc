#include "cli/commands/entries.h"

#include <ostream>

#include "base/json_quote.h"
#include "lists/csv.h"
#include "lists/list_writer.h"

namespace calldir::cli {

void declareEntries(CLI::App& command, EntriesOptions& options) {
  auto* json = command.add_flag_callback(
      "--json", [&options] { options.format = EntriesFormat::kJson; },
      "A JSON array of {\"number\", \"label\"}");
  auto* csv =
      command
          .add_flag_callback(
              "--csv", [&options] { options.format = EntriesFormat::kCsv; }, "CSV: number,name with a header")
          ->excludes(json);
  command
      .add_flag_callback(
          "--list", [&options] { options.format = EntriesFormat::kList; },
          "A plain caller list (calldir list encode takes it)")
      ->excludes(json)
      ->excludes(csv);
}

int runEntries(const EntriesOptions& options, DeviceAccess& device, Io& io) {
  telephony::CallDirectoryStore& store = device.openedStore();
  const EntriesFormat format = options.format;
  // Written as they come: a store of millions of entries is never held whole.
  bool first = true;
  std::string line;
  if (format == EntriesFormat::kJson) io.out << "[";
  if (format == EntriesFormat::kCsv) io.out << lists::kCsvHeader;
  base::Status s = store.forEachEntry([&](std::int64_t number, std::string_view label) {
    line.clear();
    switch (format) {
      case EntriesFormat::kText:
        line = std::to_string(number) + "\t" + escapeForLine(label) + "\n";
        break;
      case EntriesFormat::kJson:
        line = std::string(first ? "" : ",\n ") + "{\"number\": " + std::to_string(number) +
               ", \"label\": " + base::jsonQuote(label) + "}";
        break;
      case EntriesFormat::kCsv:
        lists::appendCsvRow(line, std::to_string(number), label);
        break;
      case EntriesFormat::kList:
        line = first ? "[\n" : ",\n";
        lists::appendElement(line, std::to_string(number), label);
        break;
    }
    io.out << line;
    first = false;
  });
  if (format == EntriesFormat::kJson) io.out << "]\n";
  if (format == EntriesFormat::kList) io.out << (first ? "[]\n" : "\n]\n");
  if (!s.ok()) return fail(io, "entries", s);
  return kExitOk;
}

}  // namespace calldir::cli

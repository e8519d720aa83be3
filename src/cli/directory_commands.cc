#include "cli/directory_commands.h"

#include <charconv>
#include <memory>
#include <ostream>

#include "base/json_quote.h"
#include "base/json_writer.h"
#include "cli/device_access.h"
#include "cli/list_commands.h"
#include "cli/session.h"
#include "cli/typed_numbers.h"
#include "lists/csv.h"
#include "lists/list_writer.h"
#include "lists/phone_numbers.h"

namespace calldir::cli {

namespace {

// The call directory store of the device at `root`.
base::Result<std::unique_ptr<DeviceAccess>> openWithStore(const std::string& root) {
  auto device = DeviceAccess::open(root);
  if (!device.ok()) return device.status();
  if (auto store = (*device)->store(); !store.ok()) return store.status();
  return device;
}

// The numbers to look up: the arguments, or standard input's lines for "-".
base::Result<std::vector<std::string>> typedTexts(const LookupOptions& options, Io& io) {
  if (options.numbers != std::vector<std::string>{"-"}) return options.numbers;
  auto input = readInput("-", io);
  if (!input.ok()) return input.status();
  std::vector<std::string> texts;
  std::string_view rest = *input;
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") != std::string_view::npos) texts.emplace_back(line);
  }
  return texts;
}

void printLookup(const std::string& text, std::int64_t number, const std::vector<std::string>& labels,
                 const std::optional<std::string>& hint, bool json_output, base::JsonWriter& json, Io& io) {
  if (json_output) {
    json.lineBreak().beginObject().key("input").value(text).key("number").value(number);
    json.key("labels").beginArray();
    for (const auto& label : labels) json.value(label);
    json.endArray().key("hint");
    hint ? json.value(*hint) : json.null();
    json.endObject();
    return;
  }
  io.out << number << "\t";
  if (labels.empty()) io.out << "(no label)";
  for (std::size_t k = 0; k < labels.size(); ++k) io.out << (k ? " | " : "") << escapeForLine(labels[k]);
  io.out << "\n";
  if (hint) warn(io, "lookup: " + *hint);
}

}  // namespace

int runLookup(const LookupOptions& options, Io& io) {
  const auto texts = typedTexts(options, io);
  if (!texts.ok()) return fail(io, "lookup", texts.status());
  const auto typed = typedNumbers(*texts, options.region);
  if (!typed.ok()) return fail(io, "lookup", typed.status());
  const std::vector<std::int64_t>& numbers = *typed;
  auto device = openWithStore(options.root);
  if (!device.ok()) return fail(io, "", device.status());
  telephony::CallDirectoryStore& store = *(*device)->store().value();
  std::optional<std::vector<std::string>> likely;  // found once, on the first miss
  bool all_found = true;
  base::JsonWriter json;
  json.beginArray();
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    const auto labels = store.labelsFor(numbers[i]);
    if (!labels.ok()) return fail(io, "lookup", labels.status());
    std::optional<std::string> hint;
    if (labels->empty()) {
      all_found = false;
      if (!likely) likely = likelyRegions(store);
      auto others = otherReadings((*texts)[i], numbers[i], *likely, store);
      if (!others.ok()) return fail(io, "lookup", others.status());
      hint = missHint((*texts)[i], numbers[i], *others);
    }
    printLookup((*texts)[i], numbers[i], *labels, hint, options.json, json, io);
  }
  if (options.json) io.out << json.endArray().finish();
  return all_found ? kExitOk : kExitNegative;
}

int runEntries(const EntriesOptions& options, Io& io) {
  auto device = openWithStore(options.root);
  if (!device.ok()) return fail(io, "", device.status());
  telephony::CallDirectoryStore& store = *(*device)->store().value();
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

void addDirectoryCommands(CLI::App& app, Session& session) {
  auto lookup_options = std::make_shared<LookupOptions>();
  auto* lookup =
      app.add_subcommand("lookup",
                         "The label(s) a call from each NUMBER shows (exit 1 when one has none): digits "
                         "alone as they are, a number with + or separators read as a phone number (+82 "
                         "10-1234-5678)");
  lookup
      ->add_option("NUMBER", lookup_options->numbers,
                   "A number, or - to read numbers from standard input, one a line")
      ->required();
  lookup->add_option("--region", lookup_options->region, "Read every NUMBER as written in this region (KR)")
      ->type_name("CC")
      ->check(knownRegion());
  lookup->add_flag("--json", lookup_options->json, "An array of {\"input\", \"number\", \"labels\"}");
  lookup->callback([&session, lookup_options] {
    lookup_options->root = session.root();
    session.status = runLookup(*lookup_options, session.io);
  });

  struct Formats {
    bool json = false;
    bool csv = false;
    bool list = false;
  };
  auto formats = std::make_shared<Formats>();
  auto* entries = app.add_subcommand("entries", "Every identification entry, in number order");
  auto* json = entries->add_flag("--json", formats->json, "A JSON array of {\"number\", \"label\"}");
  auto* csv = entries->add_flag("--csv", formats->csv, "CSV: number,name with a header")->excludes(json);
  entries->add_flag("--list", formats->list, "A plain caller list (calldir list encode takes it)")
      ->excludes(json)
      ->excludes(csv);
  entries->callback([&session, formats] {
    const EntriesFormat format = formats->json   ? EntriesFormat::kJson
                                 : formats->csv  ? EntriesFormat::kCsv
                                 : formats->list ? EntriesFormat::kList
                                                 : EntriesFormat::kText;
    session.status = runEntries({session.root(), format}, session.io);
  });
}

}  // namespace calldir::cli

#include "cli/directory_commands.h"

#include <charconv>
#include <memory>
#include <ostream>

#include "base/json_quote.h"
#include "base/json_writer.h"
#include "cli/device_access.h"
#include "cli/session.h"
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

// The number a person typed, as the store holds it.
base::Result<std::int64_t> readTypedNumber(const std::string& text, const std::string& region) {
  std::string digits = text;
  if (!region.empty() || !lists::isDigitsOnly(text)) {
    auto read = lists::readPhoneNumber(text, region);
    if (!read.ok()) {
      return base::Status::InvalidArgument(
          read.status().message() +
          " (give digits alone, an international number such as +82 10-1234-5678, or --region)");
    }
    digits = std::move(read).value();
  }
  std::int64_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (digits.size() > 18 || error != std::errc() || end != digits.data() + digits.size()) {
    return base::Status::InvalidArgument("\"" + text + "\" is too long for a phone number");
  }
  return number;
}

}  // namespace

int runLookup(const LookupOptions& options, Io& io) {
  std::vector<std::int64_t> numbers;
  for (const std::string& text : options.numbers) {
    const auto number = readTypedNumber(text, options.region);
    if (!number.ok()) return fail(io, "lookup", number.status());
    numbers.push_back(*number);
  }
  auto device = openWithStore(options.root);
  if (!device.ok()) return fail(io, "", device.status());
  telephony::CallDirectoryStore& store = *(*device)->store().value();
  bool all_found = true;
  base::JsonWriter json;
  json.beginArray();
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    const auto found = store.labelsFor(numbers[i]);
    if (!found.ok()) return fail(io, "lookup", found.status());
    const std::vector<std::string>& labels = *found;
    all_found = all_found && !labels.empty();
    if (options.json) {
      json.lineBreak().beginObject().key("input").value(options.numbers[i]).key("number").value(numbers[i]);
      json.key("labels").beginArray();
      for (const auto& label : labels) json.value(label);
      json.endArray().endObject();
      continue;
    }
    io.out << numbers[i] << "\t";
    if (labels.empty()) io.out << "(no label)";
    for (std::size_t k = 0; k < labels.size(); ++k) io.out << (k ? " | " : "") << escapeForLine(labels[k]);
    io.out << "\n";
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
  lookup->add_option("NUMBER", lookup_options->numbers)->required();
  lookup->add_option("--region", lookup_options->region, "Read every NUMBER as written in this region (KR)")
      ->type_name("CC");
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

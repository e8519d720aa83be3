#include "cli/directory_commands.h"

#include <ostream>

#include "base/json_quote.h"
#include "base/json_writer.h"
#include "cli/device_access.h"
#include "lists/csv.h"
#include "lists/list_writer.h"
#include "lists/phone_numbers.h"

namespace calldir::cli {

namespace {

base::Status openStore(const std::string& root, std::unique_ptr<telephony::CallDirectoryStore>& store) {
  std::optional<device::DeviceRoot> device;
  if (base::Status s = openDevice(root, device); !s.ok()) return s;
  return openCallDirectoryStore(*device, store);
}

// The number a person typed, as the store holds it.
base::Status readTypedNumber(const std::string& text, const std::string& region, std::int64_t& out) {
  std::string digits = text;
  if (!region.empty() || !lists::isDigitsOnly(text)) {
    base::Status s = lists::readPhoneNumber(text, region, digits);
    if (!s.ok()) {
      return base::Status::InvalidArgument(
          s.message() +
          " (give digits alone, an international number such as +82 10-1234-5678, or --region)");
    }
  }
  if (digits.size() > 18)
    return base::Status::InvalidArgument("\"" + text + "\" is too long for a phone number");
  out = std::stoll(digits);
  return base::Status::Ok();
}

}  // namespace

int runLookup(const std::string& root, const LookupOptions& options, Io& io) {
  std::vector<std::int64_t> numbers;
  for (const std::string& text : options.numbers) {
    std::int64_t number = 0;
    if (base::Status s = readTypedNumber(text, options.region, number); !s.ok()) return fail(io, "lookup", s);
    numbers.push_back(number);
  }
  std::unique_ptr<telephony::CallDirectoryStore> store;
  if (base::Status s = openStore(root, store); !s.ok()) return fail(io, "", s);
  bool all_found = true;
  base::JsonWriter json;
  json.beginArray();
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    const auto labels = store->labelsFor(numbers[i]);
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

int runEntries(const std::string& root, EntriesFormat format, Io& io) {
  std::unique_ptr<telephony::CallDirectoryStore> store;
  if (base::Status s = openStore(root, store); !s.ok()) return fail(io, "", s);
  // Written as they come: a store of millions of entries is never held whole.
  bool first = true;
  std::string line;
  if (format == EntriesFormat::kJson) io.out << "[";
  if (format == EntriesFormat::kCsv) io.out << lists::kCsvHeader;
  base::Status s = store->forEachEntry([&](std::int64_t number, std::string_view label) {
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

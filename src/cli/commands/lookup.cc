#include "cli/commands/lookup.h"

#include <ostream>

#include "base/json_writer.h"
#include "cli/common/option_values.h"
#include "cli/common/typed_numbers.h"

namespace calldir::cli {

void declareLookup(CLI::App& command, LookupOptions& options) {
  command
      .add_option("NUMBER", options.numbers, "A number, or - to read numbers from standard input, one a line")
      ->required();
  declareRegion(command, options.region, "Read every NUMBER as written in this region (KR)");
  command.add_flag("--json", options.json, "An array of {\"input\", \"number\", \"labels\"}");
}

namespace {

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

int runLookup(const LookupOptions& options, DeviceAccess& device, Io& io) {
  const auto texts = typedTexts(options, io);
  if (!texts.ok()) return fail(io, "lookup", texts.status());
  const auto typed = typedNumbers(*texts, options.region);
  if (!typed.ok()) return fail(io, "lookup", typed.status());
  const std::vector<std::int64_t>& numbers = *typed;
  telephony::CallDirectoryStore& store = device.openedStore();
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

}  // namespace calldir::cli

#include "cli/commands/lookup.h"

#include <algorithm>
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
    if (line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);  // a byte-order mark, as editors save one
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

// A text that reads as no number: its own line (the reason on standard
// error), or its own object with the reason as "error".
void printUnreadable(const std::string& text, const std::string& why, bool json_output,
                     base::JsonWriter& json, Io& io) {
  if (json_output) {
    json.lineBreak().beginObject().key("input").value(text).key("number").null();
    json.key("labels").beginArray().endArray().key("hint").null().key("error").value(why).endObject();
    return;
  }
  io.out << escapeForLine(text) << "\t(unreadable)\n";
  io.err << "calldir: lookup: " << why << "\n";
}

}  // namespace

int runLookup(const LookupOptions& options, DeviceAccess& device, Io& io) {
  const auto texts = typedTexts(options, io);
  if (!texts.ok()) return fail(io, "lookup", texts.status());
  telephony::CallDirectoryStore& store = device.openedStore();
  lists::NumberReader reader(options.region);
  std::optional<std::vector<std::string>> likely;  // found once, on the first miss
  int worst = kExitOk;
  base::JsonWriter json;
  json.beginArray();
  for (const std::string& text : *texts) {
    // A number that cannot be read is answered in its place; the others go on.
    const auto number = typedNumber(text, reader);
    if (!number.ok()) {
      worst = kExitBadInput;
      printUnreadable(text, number.status().message(), options.json, json, io);
      continue;
    }
    const auto labels = store.labelsFor(*number);
    if (!labels.ok()) return fail(io, "lookup", labels.status());
    std::optional<std::string> hint;
    if (labels->empty()) {
      worst = std::max<int>(worst, kExitNegative);
      if (!likely) likely = likelyRegions(store);
      auto others = otherReadings(text, *number, *likely, store);
      if (!others.ok()) return fail(io, "lookup", others.status());
      hint = missHint(text, *number, *others);
    }
    printLookup(text, *number, *labels, hint, options.json, json, io);
  }
  if (options.json) io.out << json.endArray().finish();
  return worst;
}

}  // namespace calldir::cli

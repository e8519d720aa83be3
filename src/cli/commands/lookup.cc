#include "cli/commands/lookup.h"

#include <algorithm>
#include <ostream>

#include "base/json_writer.h"
#include "cli/common/option_values.h"
#include "cli/common/typed_numbers.h"
#include "lists/text_encoding.h"
#include "platform/text.h"

namespace calldir::cli {

void declareLookup(CLI::App& command, LookupOptions& options) {
  command
      .add_option("NUMBER", options.numbers, "A number, or - to read numbers from standard input, one a line")
      ->required();
  declareRegion(command, options.region, "Read every NUMBER as written in this region (KR)");
  declareDigitsAsWritten(command, options.digits_as_written);
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
    line = lists::withoutByteOrderMark(line);  // as editors save one
    if (line.find_first_not_of(" \t") != std::string_view::npos) texts.emplace_back(line);
  }
  return texts;
}

// What a call from one typed number shows, and from its other reading when
// the text is ambiguous.
struct Answer {
  const std::string& text;
  std::int64_t number = 0;
  std::vector<std::string> labels;
  std::optional<std::string> hint;
  std::optional<std::pair<std::int64_t, std::vector<std::string>>> other;
};

void writeLabels(base::JsonWriter& json, const std::vector<std::string>& labels) {
  json.beginArray();
  for (const auto& label : labels) json.value(label);
  json.endArray();
}

void printLookup(const Answer& a, bool json_output, base::JsonWriter& json, Io& io) {
  if (json_output) {
    json.lineBreak().beginObject().key("input").value(a.text).key("number").value(a.number).key("labels");
    writeLabels(json, a.labels);
    json.key("hint");
    a.hint ? json.value(*a.hint) : json.null();
    if (a.other) {
      json.key("other_reading").beginObject().key("number").value(a.other->first).key("labels");
      writeLabels(json, a.other->second);
      json.endObject();
    }
    json.endObject();
    return;
  }
  io.out << a.number << "\t";
  io.out << (a.labels.empty() ? "(no label)" : labelsForLine(a.labels)) << "\n";
  if (a.hint) warn(io, "lookup: " + *a.hint);
}

// The other reading of an ambiguous text, with its labels, and a sentence
// that names both.
base::Status addOtherReading(Answer& a, const lists::NumberReading& reading, lists::NumberReader& reader,
                             telephony::CallDirectoryStore& store) {
  const std::int64_t other = platform::integerValue(reading.other);
  auto labels = store.labelsFor(other);
  if (!labels.ok()) return labels.status();
  std::string shows = labels->empty() ? "no label" : "\"" + labels->front() + "\"";
  a.hint = reader.describeAmbiguity(a.text, reading) + "; " + reading.other + " shows " + shows +
           " (--digits-as-written reads it so)" + (a.hint ? "; " + *a.hint : "");
  a.other.emplace(other, std::move(labels).value());
  return base::Status::Ok();
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
  io.err << "calldir: lookup: " << inertText(why) << "\n";
}

}  // namespace

int runLookup(const LookupOptions& options, DeviceAccess& device, Io& io) {
  const auto texts = typedTexts(options, io);
  if (!texts.ok()) return fail(io, "lookup", texts.status());
  telephony::CallDirectoryStore& store = device.openedStore();
  lists::NumberReader reader(options.region, options.digits_as_written);
  std::optional<std::vector<std::string>> likely;  // found once, on the first miss
  int worst = kExitOk;
  base::JsonWriter json;
  json.beginArray();
  for (const std::string& text : *texts) {
    // A number that cannot be read is answered in its place; the others go on.
    const auto typed = typedNumber(text, reader);
    if (!typed.ok()) {
      worst = kExitBadInput;
      printUnreadable(text, typed.status().message(), options.json, json, io);
      continue;
    }
    const std::int64_t number = typed->number;
    auto labels = store.labelsFor(number);
    if (!labels.ok()) return fail(io, "lookup", labels.status());
    Answer answer{text, number, std::move(labels).value(), std::nullopt, std::nullopt};
    if (answer.labels.empty()) {
      worst = std::max<int>(worst, kExitNegative);
      if (!likely) likely = likelyRegions(store);
      auto others = otherReadings(text, number, *likely, store);
      if (!others.ok()) return fail(io, "lookup", others.status());
      answer.hint = missHint(text, number, *others);
    }
    if (auto note = noPhoneNumberNote(number)) answer.hint = *note + (answer.hint ? "; " + *answer.hint : "");
    if (typed->reading.ambiguous()) {
      if (base::Status s = addOtherReading(answer, typed->reading, reader, store); !s.ok())
        return fail(io, "lookup", s);
    }
    printLookup(answer, options.json, json, io);
  }
  if (options.json) io.out << json.endArray().finish();
  return worst;
}

}  // namespace calldir::cli

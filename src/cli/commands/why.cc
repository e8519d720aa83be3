#include "cli/commands/why.h"

#include <ostream>

#include "base/json_quote.h"
#include "base/json_writer.h"
#include "cli/common/device_state.h"
#include "cli/common/option_values.h"
#include "cli/common/typed_numbers.h"
#include "handler/dispatch.h"
#include "handler/keys.h"
#include "lists/list_find.h"
#include "lists/phone_numbers.h"
#include "platform/call_directory.h"
#include "platform/text.h"

namespace calldir::cli {

namespace {

using lists::Occurrence;

// What one list file says about the numbers asked about.
struct ListAccount {
  std::string name;  // the file's name
  lists::ListRole role = lists::ListRole::kResource;
  bool present = false;
  lists::ListFinding finding;

  const std::vector<Occurrence>* of(std::int64_t number) const {
    const auto it = finding.found.find(number);
    return it == finding.found.end() ? nullptr : &it->second;
  }
  // The request that reads the list fails as a whole: the platform refuses
  // one of its operations. A list without data is skipped, and a malformed
  // one emptied or restored as no entries: neither fails a request.
  bool refused() const { return present && finding.check.refusal.has_value(); }
};

ListAccount accountOf(std::string name, lists::ListRole role, storage::ListContent content,
                      const std::vector<std::int64_t>& numbers, const std::string& region) {
  ListAccount account{std::move(name), role, content.kind != storage::ListContent::Kind::kMissing, {}};
  if (!account.present) return account;
  lists::CheckOptions options;
  options.role = role;
  options.region = region;
  account.finding = lists::findNumbers(std::move(content), numbers, options);
  return account;
}

std::string placeOf(const Occurrence& at) {
  return "element " + std::to_string(at.element) +
         (at.line ? " (line " + std::to_string(*at.line) + ")" : "");
}

// One sentence for one place a list names the number.
std::string describe(const Occurrence& at, const ListAccount& list) {
  const std::string written = base::jsonQuote(at.text);
  if (at.how == Occurrence::How::kInRange) {
    return placeOf(at) + " is the range " + written + ", which holds it, but the extension takes it as " +
           std::to_string(at.stored) + " (`list fix --expand-ranges` writes its numbers)";
  }
  if (at.how == Occurrence::How::kMeant) {
    return placeOf(at) + " writes " + written + ", which means it, but the extension takes it as " +
           std::to_string(at.stored) + " (`list fix` writes it as E.164 digits)";
  }
  if (at.use == storage::ElementUse::kNoName)
    return placeOf(at) + " lists it without a name: a reader skips it";
  const std::string name = at.name ? " as " + base::jsonQuote(*at.name) : "";
  if (list.refused()) return placeOf(at) + " lists it" + name + ", but the list is refused as a whole";
  if (list.role == lists::ListRole::kDel) return placeOf(at) + " lists it: an update removes it";
  if (list.role == lists::ListRole::kAdd) return placeOf(at) + " lists it" + name + ": an update adds it";
  return placeOf(at) + " lists it" + name + ": a restore from zero adds it";
}

// What `list` says about `number`, one sentence.
std::string accountLine(const ListAccount& list, std::int64_t number) {
  if (!list.present) return list.name + ": missing";
  std::string line = list.name + ": " + list.finding.check.verdict();
  const auto* found = list.of(number);
  if (found == nullptr) return line + "; it does not list the number";
  for (const Occurrence& at : *found) line += "; " + describe(at, list);
  return line;
}

// Whether `list` applies `number` (adds or removes it), and with which name.
std::optional<std::string> applied(const ListAccount& list, std::int64_t number) {
  if (!list.present || list.refused()) return std::nullopt;
  const auto* found = list.of(number);
  if (found == nullptr) return std::nullopt;
  for (const Occurrence& at : *found) {
    if (at.how == Occurrence::How::kListed && at.use == storage::ElementUse::kApplied)
      return at.name.value_or("");
  }
  return std::nullopt;
}

struct Accounts {
  ListAccount resource, del, add;
};

// What the next incremental request does to the number's labels.
std::string nextEffect(const DeviceState& st, const Accounts& lists, std::int64_t number,
                       const std::vector<std::string>& labels) {
  switch (handler::incrementalAction(st.flag, st.restore)) {
    case handler::IncrementalAction::kRestoreFromZero: {
      if (!lists.resource.present ||
          lists.resource.finding.check.content != storage::ListContent::Kind::kList) {
        return "the restore removes every entry and finds no list data: no label after it";
      }
      if (lists.resource.finding.check.malformed) {
        return "the restore removes every entry and its list does not parse: no label after it";
      }
      if (lists.resource.refused())
        return "the restore fails as a whole, and the phone keeps what it shows now";
      const auto name = applied(lists.resource, number);
      return name ? "the restore leaves it the one label " + base::jsonQuote(*name)
                  : "the restore leaves it no label";
    }
    case handler::IncrementalAction::kUpdateFromDeltaLists: {
      if (lists.del.refused() || lists.add.refused()) {
        return "the update fails as a whole (a delta list is refused), and the phone keeps what it shows now";
      }
      const bool removed = applied(lists.del, number).has_value();
      const auto added = applied(lists.add, number);
      std::vector<std::string> after = removed ? std::vector<std::string>{} : labels;
      if (added) after.push_back(*added);
      std::string out = removed ? "the update removes it"
                        : added ? "the update adds a label"
                                : "the update leaves it";
      if (after.empty()) return out + "; no label after it";
      out += ": afterwards it shows";
      for (std::size_t i = 0; i < after.size(); ++i) out += (i ? " | " : " ") + base::jsonQuote(after[i]);
      return out;
    }
    case handler::IncrementalAction::kNothing:
      break;
  }
  return "nothing changes";
}

// The stored numbers the typed one would be under another country code, and
// the readings of the text under the likely regions, that have labels.
base::Result<std::vector<OtherReading>> nearest(const std::string& text, std::int64_t number,
                                                const std::vector<std::string>& regions,
                                                telephony::CallDirectoryStore& store) {
  auto others = otherReadings(text, number, regions, store);
  if (!others.ok()) return others;
  std::erase_if(*others, [](const OtherReading& other) { return other.labels.empty(); });
  const auto split = lists::splitInternational(std::to_string(number));
  for (const std::string& region : regions) {
    const int code = lists::countryCodeOf(region);
    if (!split || code == split->first) continue;
    const std::int64_t candidate = platform::integerValue(std::to_string(code) + split->second);
    auto labels = store.labelsFor(candidate);
    if (!labels.ok()) return labels.status();
    if (!labels->empty())
      others->push_back(
          {region + " (country code " + std::to_string(code) + ")", candidate, std::move(labels).value()});
  }
  return others;
}

struct Answer {
  std::string input;
  std::int64_t number = 0;
  std::vector<std::string> labels;
  std::vector<std::pair<std::string, std::string>> status_lines;  // those that name the number
  std::vector<OtherReading> others;
  std::string next;
};

void printText(const Answer& a, const DeviceState& st, const Accounts& lists, Io& io) {
  io.out << a.input << ": a call from " << a.number << " shows ";
  io.out << (a.labels.empty() ? "no label" : labelsForLine(a.labels)) << ".\n";
  // The sentences quote list texts as JSON does: escaped once, and inert.
  for (const ListAccount* list : {&lists.resource, &lists.del, &lists.add}) {
    io.out << "  " << inertText(accountLine(*list, a.number)) << "\n";
  }
  io.out << "  next incremental request: " << inertText(nextIncrementalRequest(st).second)
         << "; for this number: " << inertText(a.next) << "\n  " << inertText(lastRequestLine(st)) << "\n";
  for (const auto& [key, line] : a.status_lines)
    io.out << "  " << key << " = " << escapeForLine(line) << "\n";
  for (const OtherReading& other : a.others) {
    io.out << "  nearest: with --region " << other.region << " it is " << other.number << ", which shows "
           << labelsForLine({other.labels[0]}) << "\n";
  }
}

void writeAccount(base::JsonWriter& json, const ListAccount& list, std::int64_t number) {
  json.key(list.name).beginObject().key("present").value(list.present);
  json.key("verdict");
  list.present ? json.value(list.finding.check.verdict()) : json.null();
  json.key("refused").value(list.refused()).key("places").beginArray();
  if (const auto* found = list.of(number)) {
    for (const Occurrence& at : *found) json.value(describe(at, list));
  }
  json.endArray().endObject();
}

void writeJson(const Answer& a, const DeviceState& st, const Accounts& lists, base::JsonWriter& json) {
  json.lineBreak().beginObject().key("input").value(a.input).key("number").value(a.number);
  json.key("labels").beginArray();
  for (const auto& label : a.labels) json.value(label);
  json.endArray().key("lists").beginObject();
  for (const ListAccount* list : {&lists.resource, &lists.del, &lists.add})
    writeAccount(json, *list, a.number);
  json.endObject().key("next").beginObject().key("action").value(nextIncrementalRequest(st).first);
  json.key("effect").value(a.next).endObject().key("last_request");
  st.last_request ? json.raw(telephony::requestJson(st.last_request->result, st.last_request->at))
                  : json.null();
  json.key("status_lines").beginObject();
  for (const auto& [key, line] : a.status_lines) json.key(key).value(line);
  json.endObject().key("nearest").beginArray();
  for (const OtherReading& other : a.others) {
    json.beginObject()
        .key("region")
        .value(other.region)
        .key("number")
        .value(other.number)
        .key("labels")
        .beginArray();
    for (const auto& label : other.labels) json.value(label);
    json.endArray().endObject();
  }
  json.endArray().endObject();
}

// Each list file read once: what the delta lists hold is told to `device`
// as their check found it, for the device state read after.
Accounts accountsOf(DeviceAccess& device, const std::vector<std::int64_t>& numbers,
                    const std::string& region) {
  storage::ListFiles& files = device.lists();
  Accounts accounts{
      accountOf(std::string(handler::kZeroResourceName) + ".json (the resource)", lists::ListRole::kResource,
                files.inspectResourceList(handler::kZeroResourceName), numbers, region),
      accountOf(std::string(handler::kDeleteListName), lists::ListRole::kDel,
                files.readGroupList(handler::kDeleteListName), numbers, region),
      accountOf(std::string(handler::kAddListName), lists::ListRole::kAdd,
                files.readGroupList(handler::kAddListName), numbers, region)};
  for (const ListAccount* list : {&accounts.del, &accounts.add}) {
    const lists::CheckReport& check = list->finding.check;
    const auto kind = list->present ? check.content : storage::ListContent::Kind::kMissing;
    device.know(list->name, {kind, check.elements, check.malformed});
  }
  return accounts;
}

}  // namespace

void declareWhy(CLI::App& command, WhyOptions& options) {
  command.add_option("NUMBER", options.numbers, "A number, read as lookup reads it")->required();
  declareRegion(command, options.region,
                "Read every NUMBER, and the lists' numbers, as written in this region");
  command.add_flag("--json", options.json, "An array of one object per number");
}

int runWhy(const WhyOptions& options, DeviceAccess& device, Io& io) {
  const auto typed = typedNumbers(options.numbers, options.region);
  if (!typed.ok()) return fail(io, "why", typed.status());
  const std::vector<std::int64_t>& numbers = *typed;
  const Accounts lists = accountsOf(device, numbers, options.region);
  const auto st = readDeviceState(device);
  if (!st.ok()) return fail(io, "why", st.status());
  telephony::CallDirectoryStore& store = device.openedStore();
  const std::vector<std::string> regions = likelyRegions(store);
  bool all_shown = true;
  base::JsonWriter json;
  json.beginArray();
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    auto labels = store.labelsFor(numbers[i]);
    if (!labels.ok()) return fail(io, "why", labels.status());
    Answer a{options.numbers[i], numbers[i], std::move(labels).value(), {}, {}, {}};
    for (const auto& [key, line] : st->status_lines) {
      if (line.find(std::to_string(a.number)) != std::string::npos) a.status_lines.emplace_back(key, line);
    }
    if (a.labels.empty()) {
      all_shown = false;
      auto others = nearest(a.input, a.number, regions, store);
      if (!others.ok()) return fail(io, "why", others.status());
      a.others = std::move(others).value();
    }
    a.next = nextEffect(*st, lists, a.number, a.labels);
    options.json ? writeJson(a, *st, lists, json) : printText(a, *st, lists, io);
  }
  if (options.json) io.out << json.endArray().finish();
  return all_shown ? kExitOk : kExitNegative;
}

}  // namespace calldir::cli

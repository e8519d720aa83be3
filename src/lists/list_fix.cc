#include "lists/list_fix.h"

#include <algorithm>
#include <deque>

#include "base/json_quote.h"
#include "lists/labels.h"
#include "lists/line_counter.h"
#include "lists/list_writer.h"
#include "lists/number_range.h"
#include "lists/number_reader.h"
#include "lists/number_verdict.h"
#include "lists/phone_numbers.h"
#include "lists/text_encoding.h"
#include "platform/text.h"
#include "storage/caller_list.h"
#include "storage/list_content.h"

namespace calldir::lists {

namespace {

// One element that stays, compactly: a million of them cost 32 MB.
struct FixEntry {
  std::int64_t number;    // E.164 digits
  std::string_view name;  // into the list's document
  std::uint32_t element;  // counted from 1
  std::uint32_t line;     // 0 when there are no lines
};

// Whether the element's text holds members other than "number" and "name";
// a cheap count of its keys is enough for the report.
bool hasOtherMembers(std::string_view raw) {
  std::size_t colons = 0;
  bool in_string = false;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\\') {
      ++i;
    } else if (raw[i] == '"') {
      in_string = !in_string;
    } else if (!in_string && raw[i] == ':') {
      ++colons;
    }
  }
  return colons > 2;
}

class Fixer {
 public:
  Fixer(const FixOptions& options, FixReport& report, std::string_view text)
      : options_(options),
        report_(report),
        lines_(text, options.source_lines),
        own_reader_(options.reader != nullptr ? std::nullopt
                                              : std::optional<NumberReader>(std::in_place, options.region,
                                                                            options.digits_as_written)),
        reader_(options.reader != nullptr ? *options.reader : *own_reader_) {}

  void visit(std::size_t index, const storage::CallerEntry& element) {
    if (!refusal_.ok()) return;  // nothing will be written
    const std::size_t n = index + 1;
    const std::optional<std::size_t> line = lines_.lineOf(index, element.raw);
    const bool removing = options_.role == ListRole::kDel;
    switch (removing ? storage::useForRemoving(element) : storage::useForAdding(element)) {
      case storage::ElementUse::kNotObject:
        return drop({n, line, kNotObject, element.raw, {}}, "not an object");
      case storage::ElementUse::kNoNumber:
        return drop({n, line, kNoNumber, element.raw, {}}, "no \"number\" text");
      case storage::ElementUse::kNoName:
        return drop({n, line, kNoName, *element.number, {}}, "no \"name\" text");
      case storage::ElementUse::kApplied:
        break;
    }
    if (auto range = rangeOf(*element.number)) return expand(n, line, *range, element);
    // The same verdict as the check's, so that the fix drops with the code
    // the check warned with.
    const NumberVerdict verdict = judgeNumber(reader_, *element.number);
    const NumberReading& reading = verdict.reading;
    if (!verdict.written(options_.keep_doubtful)) {
      const ProblemCode code = *verdict.problem;
      std::string why = reader_.whyNotValid(*element.number, reading);
      if (code == ProblemCode::kDoubtful) why += " (--keep-doubtful writes it as " + reading.digits + ")";
      if (code == ProblemCode::kUnreadableNumber) {
        why = "it holds more than a phone number (the extension takes it as " +
              std::to_string(verdict.stored) + "): " + why;
      }
      return drop({n, line, problemName(code), *element.number,
                   code == ProblemCode::kDoubtful ? std::string_view(reading.digits) : std::string_view()},
                  why);
    }
    if (reading.kind == NumberReading::Kind::kDoubtful) ++report_.doubtful_kept;
    if (reading.ambiguous() && report_.ambiguous++ < options_.listed_per_kind) {
      report_.problems.push_back(
          {n, line, kAmbiguous,
           reader_.describeAmbiguity(*element.number, reading) + "; written as " + reading.digits});
    }
    if (reading.digits != trimmedOfBlanks(*element.number)) ++report_.numbers_rewritten;
    if (hasOtherMembers(element.raw)) ++report_.members_removed;
    keep(reading.digits, element, n, line);
  }

  std::vector<FixEntry> entries;
  // A range over the cap: nothing may be written.
  const base::Status& refusal() const { return refusal_; }

 private:
  void expand(std::size_t n, std::optional<std::size_t> line, const NumberRange& range,
              const storage::CallerEntry& element) {
    const std::string quoted = "\"" + range.pattern + "\"";
    if (!options_.expand_ranges) {
      return drop({n, line, kRange, *element.number, {}}, quoted + " is a range of " +
                                                              std::to_string(range.count) +
                                                              " numbers (--expand-ranges writes them)");
    }
    if (range.count > options_.max_expand) {
      if (refusal_.ok()) {
        refusal_ = base::Status::InvalidArgument(
            "element " + std::to_string(n) + (line ? " (line " + std::to_string(*line) + ")" : "") + ": " +
            quoted + " is a range of " + std::to_string(range.count) + " numbers, more than --max-expand " +
            std::to_string(options_.max_expand) + "; nothing written");
      }
      return;
    }
    ++report_.ranges;
    report_.range_numbers += range.count;
    for (std::uint64_t i = 0; i < range.count; ++i) {
      const std::string member = memberOf(range, i);
      const NumberReading reading = reader_.read(member);
      if (!reading.valid() && !(options_.keep_doubtful && reading.kind == NumberReading::Kind::kDoubtful)) {
        const bool doubtful = reading.kind == NumberReading::Kind::kDoubtful;
        drop({n, line, doubtful ? kDoubtfulNumber : kUnreadableNumber, member, reading.digits},
             reader_.whyNotValid(member, reading) + ", of the range " + quoted);
        continue;
      }
      keep(reading.digits, element, n, line);
    }
  }

  // An entry that stays: `digits` with the element's name (none in a delete list).
  void keep(const std::string& digits, const storage::CallerEntry& element, std::size_t n,
            std::optional<std::size_t> line) {
    std::string_view name = options_.role == ListRole::kDel ? std::string_view() : *element.name;
    if (auto nfc = normalizedLabel(name)) {
      // One form of a name: composed and decomposed Hangul are one name, and
      // so are "Mom" and "Mom ".
      ++report_.names_normalized;
      name = names_.emplace_back(std::move(*nfc));
    }
    entries.push_back({platform::integerValue(digits), name, static_cast<std::uint32_t>(n),
                       static_cast<std::uint32_t>(line.value_or(0))});
  }

  void drop(const Reject& reject, std::string message) {
    if (report_.dropped[reject.code]++ < options_.listed_per_kind) {
      report_.problems.push_back(
          {reject.element, reject.line, reject.code, std::move(message) + "; dropped"});
    }
    if (options_.reject) options_.reject(reject);
  }

  const FixOptions& options_;
  FixReport& report_;
  ElementLines lines_;
  std::optional<NumberReader> own_reader_;  // when the options give none
  NumberReader& reader_;
  base::Status refusal_;
  std::deque<std::string> names_;  // names rewritten in NFC, which entries point into
};

// The conflict of the entries [begin, end), all of one number.
Conflict conflictOf(const FixEntry* begin, const FixEntry* end, ConflictRule rule) {
  Conflict conflict;
  conflict.number = begin->number;
  for (const FixEntry* e = begin; e != end; ++e) {
    auto it = std::find_if(conflict.names.begin(), conflict.names.end(),
                           [&](const Conflict::Name& named) { return named.name == e->name; });
    if (it == conflict.names.end())
      it = conflict.names.insert(it, Conflict::Name{std::string(e->name), {}, {}});
    it->elements.push_back(e->element);
    if (e->line != 0) it->lines.push_back(e->line);
  }
  if (rule != ConflictRule::kFail) {
    const std::string_view kept = rule == ConflictRule::kLast ? (end - 1)->name : begin->name;
    for (std::size_t i = 0; i < conflict.names.size(); ++i) {
      if (conflict.names[i].name == kept) conflict.kept = i;
    }
  }
  return conflict;
}

// The end of the run of entries that share the number of entries[i].
std::size_t runEnd(const std::vector<FixEntry>& entries, std::size_t i) {
  std::size_t end = i + 1;
  while (end < entries.size() && entries[end].number == entries[i].number) ++end;
  return end;
}

// Counts the exact repeats among `entries`, sorted by number, and tells
// every conflict.
void findConflicts(const std::vector<FixEntry>& entries, const FixOptions& options, FixReport& report) {
  const bool removing = options.role == ListRole::kDel;
  for (std::size_t i = 0, end = 0; i < entries.size(); i = end) {
    end = runEnd(entries, i);
    const bool differ = !removing && std::any_of(&entries[i] + 1, &entries[0] + end, [&](const FixEntry& e) {
      return e.name != entries[i].name;
    });
    if (!differ) {
      report.repeats += end - i - 1;
      continue;
    }
    Conflict conflict = conflictOf(&entries[i], &entries[0] + end, options.on_conflict);
    ++report.conflicts;
    report.repeats += (end - i) - conflict.names.size();
    const FixEntry& at = entries[end - 1];
    report.problems.push_back({at.element, at.line == 0 ? std::nullopt : std::optional<std::size_t>(at.line),
                               kConflict, conflict.describe(options.on_conflict)});
    report.conflict_list.push_back(std::move(conflict));
  }
}

// Tells every entry of [begin, end), all of one number, but `kept`: an
// exact repeat of it, or a conflicting name.
void rejectOthers(const FixEntry* begin, const FixEntry* end, const FixEntry& kept, bool removing,
                  const std::function<void(const Reject&)>& reject) {
  const std::string digits = std::to_string(kept.number);
  for (const FixEntry* e = begin; e != end; ++e) {
    if (e == &kept) continue;
    const bool repeat = removing || e->name == kept.name;
    reject({e->element, e->line == 0 ? std::nullopt : std::optional<std::size_t>(e->line),
            repeat ? kRepeat : kConflict, digits, digits});
  }
}

// Writes one element per number, the one the rule keeps: into `plain`, or
// through options.write a piece at a time.
base::Status writeKept(const std::vector<FixEntry>& entries, const FixOptions& options, FixReport& report,
                       std::string& plain) {
  constexpr std::size_t kPiece = 1 << 20;
  const bool removing = options.role == ListRole::kDel;
  if (options.entries != nullptr) {
    std::size_t name_bytes = 0;
    for (const FixEntry& e : entries) name_bytes += removing ? 0 : e.name.size();
    options.entries->reserve(entries.size(), name_bytes);
  }
  bool first = true;
  for (std::size_t i = 0, end = 0; i < entries.size(); i = end) {
    end = runEnd(entries, i);
    const FixEntry& kept = options.on_conflict == ConflictRule::kLast ? entries[end - 1] : entries[i];
    if (options.reject) rejectOthers(&entries[i], &entries[0] + end, kept, removing, options.reject);
    ++report.written;
    if (options.entries != nullptr) {
      options.entries->add(kept.number, removing ? std::string_view() : kept.name);
      continue;
    }
    plain += first ? "[\n" : ",\n";
    first = false;
    appendElement(plain, std::to_string(kept.number),
                  removing ? std::nullopt : std::optional<std::string_view>(kept.name));
    if (options.write && plain.size() >= kPiece) {
      if (base::Status s = options.write(plain); !s.ok()) return s;
      plain.clear();
    }
  }
  if (options.entries != nullptr) return base::Status::Ok();
  plain += first ? "[]\n" : "\n]\n";
  if (!options.write) return base::Status::Ok();
  base::Status s = options.write(plain);
  plain.clear();
  return s;
}

std::string whereOf(const Conflict::Name& named) {
  const auto& places = named.lines.empty() ? named.elements : named.lines;
  std::string out = named.lines.empty() ? (places.size() == 1 ? "element " : "elements ")
                                        : (places.size() == 1 ? "line " : "lines ");
  for (std::size_t i = 0; i < places.size(); ++i) out += (i ? ", " : "") + std::to_string(places[i]);
  return out;
}

}  // namespace

const char* conflictRuleName(ConflictRule rule) {
  switch (rule) {
    case ConflictRule::kFail:
      return "fail";
    case ConflictRule::kFirst:
      return "first";
    case ConflictRule::kLast:
      return "last";
  }
  return "fail";
}

std::string Conflict::describe(ConflictRule rule) const {
  std::string out =
      "the number " + std::to_string(number) + " has " + std::to_string(names.size()) + " names: ";
  for (std::size_t i = 0; i < names.size(); ++i) {
    out += (i ? ", " : "") + base::jsonQuote(names[i].name) + " (" + whereOf(names[i]) + ")";
  }
  if (!kept) return out + "; none kept (--on-conflict " + conflictRuleName(rule) + ")";
  return out + "; kept " + base::jsonQuote(names[*kept].name) + " (--on-conflict " + conflictRuleName(rule) +
         ")";
}

base::Result<FixResult> fixList(std::string data, const FixOptions& options) {
  FixResult result;
  FixReport& report = result.report;
  storage::ListContent content = storage::readListInput(std::move(data));
  if (content.kind == storage::ListContent::Kind::kUndecodable) {
    return base::Status::InvalidArgument(std::string("the list text does not decode: ") +
                                         codec::describeDecodeFailure(content.failure));
  }
  if (base::Status utf8 = checkUtf8(content.plain, "it"); !utf8.ok()) {
    return base::Status::InvalidArgument("the list is not a JSON array: " + utf8.message());
  }
  auto list = storage::readCallerList(std::move(content.plain));
  if (!list.ok())
    return base::Status::InvalidArgument("the list is not a JSON array: " + list.status().message());
  report.elements = (*list)->count();
  Fixer fixer(options, report, content.plain_input ? (*list)->text() : std::string_view());
  fixer.entries.reserve(report.elements);
  storage::forEachCallerEntry(**list, [&](std::size_t index, const storage::CallerEntry& e) {
    fixer.visit(index, e);
    if (options.progress && (index + 1) % kProgressEvery == 0) options.progress(index + 1, report.elements);
  });
  if (!fixer.refusal().ok()) return fixer.refusal();
  auto& entries = fixer.entries;
  auto by_number = [](const FixEntry& a, const FixEntry& b) { return a.number < b.number; };
  report.reordered = !std::is_sorted(entries.begin(), entries.end(), by_number);
  // In place: equal numbers keep their list order by their element.
  if (report.reordered) {
    std::sort(entries.begin(), entries.end(), [](const FixEntry& a, const FixEntry& b) {
      return a.number != b.number ? a.number < b.number : a.element < b.element;
    });
  }
  findConflicts(entries, options, report);
  // Under --on-conflict fail a conflict stops the fix: nothing is written.
  report.failed = report.conflicts > 0 && options.on_conflict == ConflictRule::kFail;
  if (report.failed) return result;
  if (!options.write && options.entries == nullptr) result.plain.reserve((*list)->text().size());
  if (base::Status s = writeKept(entries, options, report, result.plain); !s.ok()) return s;
  return result;
}

}  // namespace calldir::lists

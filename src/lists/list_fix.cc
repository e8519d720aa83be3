#include "lists/list_fix.h"

#include <algorithm>

#include "lists/line_counter.h"
#include "lists/list_writer.h"
#include "lists/phone_numbers.h"
#include "platform/text.h"
#include "storage/caller_list.h"
#include "storage/list_content.h"

namespace calldir::lists {

namespace {

struct FixEntry {
  std::int64_t number;
  std::string digits;     // the number as written out
  std::string_view name;  // into the list's document
  std::size_t element;    // counted from 1
  std::optional<std::size_t> line;
};

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool writtenAsPhoneNumber(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == '+' || c == ' ' || c == '-' || c == '.' || c == '(' || c == ')';
  });
}

class Fixer {
 public:
  Fixer(const FixOptions& options, FixReport& report, std::string_view text)
      : options_(options), report_(report), lines_(text) {}

  void visit(std::size_t index, const storage::CallerEntry& element) {
    const std::size_t n = index + 1;
    const std::optional<std::size_t> line = lines_.lineOf(element.raw);
    const bool removing = options_.role == ListRole::kDel;
    switch (removing ? storage::useForRemoving(element) : storage::useForAdding(element)) {
      case storage::ElementUse::kNotObject:
        return drop(n, line, kNotObject, "not an object");
      case storage::ElementUse::kNoNumber:
        return drop(n, line, kNoNumber, "no \"number\" text");
      case storage::ElementUse::kNoName:
        return drop(n, line, kNoName, "no \"name\" text");
      case storage::ElementUse::kApplied:
        break;
    }
    std::string digits;
    if (!readNumber(*element.number, digits)) {
      return drop(n, line, kUnreadableNumber,
                  "\"" + std::string(*element.number) + "\" cannot be read as a phone number" +
                      (options_.region.empty() ? " (name the region it is written in with --region)" : ""));
    }
    if (digits != *element.number) ++report_.numbers_rewritten;
    if (hasOtherMembers(element.raw)) ++report_.members_removed;
    const std::int64_t number = platform::integerValue(digits);
    entries.push_back({number, std::move(digits), removing ? std::string_view() : *element.name, n, line});
  }

  std::vector<FixEntry> entries;

 private:
  bool readNumber(std::string_view written, std::string& digits) {
    const std::string_view text = trimmed(written);
    if (options_.region.empty() && isDigitsOnly(text)) {
      digits = text;
      return true;
    }
    if (!options_.region.empty() || writtenAsPhoneNumber(text)) {
      auto read = readPhoneNumber(text, options_.region);
      if (!read.ok()) return false;
      digits = std::move(read).value();
      return true;
    }
    return false;
  }

  // Whether the element's text holds members other than "number" and
  // "name"; a cheap count of its keys is enough for the report.
  static bool hasOtherMembers(std::string_view raw) {
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

  void drop(std::size_t n, std::optional<std::size_t> line, const char* code, std::string message) {
    if (report_.dropped[code]++ < options_.listed_per_kind) {
      report_.problems.push_back({n, line, code, std::move(message) + "; dropped"});
    }
  }

  const FixOptions& options_;
  FixReport& report_;
  LineCounter lines_;
};

// Drops exact repeats and settles conflicts among `entries`, sorted by
// number; writes what remains.
void settle(std::vector<FixEntry>& entries, const FixOptions& options, FixReport& report,
            std::string& plain) {
  const bool removing = options.role == ListRole::kDel;
  std::size_t i = 0;
  while (i < entries.size()) {
    std::size_t end = i + 1;
    while (end < entries.size() && entries[end].number == entries[i].number) ++end;
    const FixEntry* kept = options.on_conflict == ConflictRule::kLast ? &entries[end - 1] : &entries[i];
    bool conflict = false;
    for (std::size_t k = i + 1; k < end; ++k) {
      if (removing || entries[k].name == entries[i].name) {
        ++report.repeats;
      } else if (!conflict) {
        conflict = true;
        ++report.conflicts;
        report.problems.push_back({entries[k].element, entries[k].line, kConflict,
                                   "the number " + std::to_string(entries[k].number) + " has the name \"" +
                                       std::string(entries[i].name) + "\" at element " +
                                       std::to_string(entries[i].element) + " and \"" +
                                       std::string(entries[k].name) + "\" here"});
      }
    }
    appendListElement(plain, kept->digits,
                      removing ? std::nullopt : std::optional<std::string_view>(kept->name));
    ++report.written;
    i = end;
  }
  closeList(plain);
}

}  // namespace

base::Result<FixResult> fixList(std::string data, const FixOptions& options) {
  FixResult result;
  FixReport& report = result.report;
  std::string& plain = result.plain;
  storage::ListContent content = storage::readListInput(std::move(data));
  if (content.kind == storage::ListContent::Kind::kUndecodable) {
    return base::Status::InvalidArgument(std::string("the list text does not decode: ") +
                                         codec::describeDecodeFailure(content.failure));
  }
  auto list = storage::parseCallerList(std::move(content.plain));
  if (!list) return base::Status::InvalidArgument("the list is not a JSON array");
  report.elements = list->count();
  Fixer fixer(options, report, content.plain_input ? list->text() : std::string_view());
  storage::forEachCallerEntry(
      *list, [&](std::size_t index, const storage::CallerEntry& e) { fixer.visit(index, e); });
  auto& entries = fixer.entries;
  auto by_number = [](const FixEntry& a, const FixEntry& b) { return a.number < b.number; };
  report.reordered = !std::is_sorted(entries.begin(), entries.end(), by_number);
  if (report.reordered) std::stable_sort(entries.begin(), entries.end(), by_number);
  settle(entries, options, report, plain);
  if (report.conflicts > 0 && options.on_conflict == ConflictRule::kFail) {
    report.failed = true;
    report.written = 0;
    plain.clear();
  }
  return result;
}

}  // namespace calldir::lists

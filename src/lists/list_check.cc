#include "lists/list_check.h"

#include "lists/labels.h"
#include "lists/line_counter.h"
#include "lists/number_range.h"
#include "lists/number_reader.h"
#include "lists/number_verdict.h"
#include "lists/text_encoding.h"
#include "platform/text.h"
#include "storage/caller_list.h"

namespace calldir::lists {

const char* roleName(ListRole role) {
  switch (role) {
    case ListRole::kResource:
      return "resource";
    case ListRole::kAdd:
      return "add";
    case ListRole::kDel:
      return "del";
  }
  return "resource";
}

std::optional<ListRole> roleNamed(std::string_view name) {
  for (ListRole role : {ListRole::kResource, ListRole::kAdd, ListRole::kDel}) {
    if (name == roleName(role)) return role;
  }
  return std::nullopt;
}

std::size_t CheckReport::problemCount() const {
  std::size_t n = 0;
  for (const auto& [code, count] : counts) n += count;
  return n;
}

namespace {

std::string plural(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Walks the elements once, as the role's reader would.
class Checker {
 public:
  Checker(const CheckOptions& options, CheckReport& report, std::string_view text)
      : options_(options),
        report_(report),
        lines_(report.plain_input ? text : std::string_view(), options.source_lines),
        reader_(options.region, options.digits_as_written) {}

  void visit(std::size_t index, const storage::CallerEntry& element) {
    const std::size_t n = index + 1;
    const std::optional<std::size_t> line = lines_.lineOf(index, element.raw);
    const bool removing = options_.role == ListRole::kDel;
    const storage::ElementUse use =
        removing ? storage::useForRemoving(element) : storage::useForAdding(element);
    switch (use) {
      case storage::ElementUse::kNotObject:
        return note(n, line, kNotObject, "not an object; skipped");
      case storage::ElementUse::kNoNumber:
        return note(n, line, kNoNumber, "no \"number\" text (absent, empty or not a string); skipped");
      case storage::ElementUse::kNoName:
        return note(n, line, kNoName,
                    options_.role == ListRole::kAdd
                        ? "no \"name\" text; skipped (a list of numbers only is a delete list: --del?)"
                        : "no \"name\" text (absent, empty or not a string); skipped");
      case storage::ElementUse::kApplied:
        break;
    }
    ++report_.applied;
    if (!removing) {
      if (auto problem = labelProblem(*element.name)) note(n, line, kLabel, *problem);
    }
    const std::int64_t number = platform::integerValue(*element.number);
    if (auto range = rangeOf(*element.number)) {
      noteRange(n, line, *range, number);
    } else {
      lint(n, line, *element.number, number);
    }
    if (!removing) order(n, line, number);
  }

 private:
  void note(std::size_t element, std::optional<std::size_t> line, const char* code, std::string message) {
    std::size_t& count = report_.counts[code];
    if (count++ < options_.listed_per_kind)
      report_.problems.push_back({element, line, code, std::move(message)});
  }

  void refuse(std::size_t element, std::optional<std::size_t> line, platform::CallDirectoryError error) {
    if (!report_.refusal) report_.refusal = CheckReport::Refusal{std::move(error), element, line};
  }

  void noteRange(std::size_t n, std::optional<std::size_t> line, const NumberRange& range,
                 std::int64_t number) {
    report_.range_numbers += range.count;
    const bool too_many = range.count > options_.max_expand;
    note(n, line, kRange,
         "\"" + range.pattern + "\" is a range of " + std::to_string(range.count) +
             " numbers, which the extension takes as " + std::to_string(number) + "; " +
             (too_many ? "more than --max-expand " + std::to_string(options_.max_expand) +
                             ", so `list fix --expand-ranges` refuses it"
                       : "`list fix --expand-ranges` writes them all"));
  }

  void lint(std::size_t n, std::optional<std::size_t> line, std::string_view text, std::int64_t number) {
    const NumberVerdict verdict = judgeNumber(reader_, text);
    if (!verdict.problem) return;
    const std::string stored = std::to_string(number);
    const NumberReading& reading = verdict.reading;
    const std::string quoted = "\"" + std::string(text) + "\"";
    const char* code = problemName(*verdict.problem);
    switch (*verdict.problem) {
      case ProblemCode::kAmbiguous:
        return note(n, line, code,
                    reader_.describeAmbiguity(text, reading) + "; the extension takes it as " + stored +
                        ", `list fix` writes " + reading.digits + " (--digits-as-written keeps " +
                        reading.other + ")");
      case ProblemCode::kReadsDifferently:
        return note(n, line, code,
                    quoted + " is " + reading.digits +
                        (options_.region.empty() ? "" : " read as written in " + options_.region) +
                        ", but the extension takes it as " + stored);
      case ProblemCode::kDoubtful:
        return note(n, line, code,
                    reader_.whyNotValid(text, reading) +
                        (reading.digits == stored ? "" : "; the extension takes it as " + stored) +
                        "; `list fix` drops it");
      case ProblemCode::kNotPositive:
        return note(
            n, line, code,
            "number " + quoted + " converts to " + stored + ", not a phone number; `list fix` drops it");
      case ProblemCode::kUnreadableNumber:
        return note(n, line, code,
                    quoted + " holds more than a phone number: the extension takes it as " + stored +
                        ", but it reads as no one number (" + reader_.whyNotValid(text, reading) +
                        "); `list fix` drops it");
      default:
        return note(n, line, code,
                    stored +
                        " cannot be an international number (country code and national number, E.164 digits "
                        "without \"+\"), so the phone would never match a call: " +
                        reader_.whyNotValid(text, reading) + "; `list fix` drops it");
    }
  }

  void order(std::size_t n, std::optional<std::size_t> line, std::int64_t number) {
    if (auto error = platform::checkNextAddition(previous_, number)) {
      note(n, line, error->code == platform::kErrorDuplicateEntries ? kDuplicate : kOutOfOrder,
           error->reason);
      refuse(n, line, std::move(*error));
    }
    previous_ = number;
    if (options_.role == ListRole::kResource &&
        static_cast<std::int64_t>(report_.applied) == options_.max_entries + 1) {
      refuse(n, line, platform::maximumEntriesExceeded(options_.max_entries));
    }
  }

  const CheckOptions& options_;
  CheckReport& report_;
  ElementLines lines_;
  NumberReader reader_;
  std::optional<std::int64_t> previous_;
};

}  // namespace

const char* CheckReport::outcomeName() const {
  if (content == storage::ListContent::Kind::kUndecodable) return "undecodable";
  if (content != storage::ListContent::Kind::kList) return "no_data";
  return malformed ? "malformed" : "list";
}

std::string CheckReport::verdict() const {
  const std::string load = role == ListRole::kResource ? "a restore from zero" : "an update";
  if (content == storage::ListContent::Kind::kUndecodable) {
    return load + " applies nothing: the list text does not decode: " + codec::describeDecodeFailure(failure);
  }
  const char* left =
      role == ListRole::kResource ? "the restore status stays \"START\"" : "the file is left as it is";
  if (content == storage::ListContent::Kind::kUnreadable) {
    return load +
           " applies nothing: the extension does not read the file (a symbolic link, which it does not "
           "follow, "
           "not a regular file, over 1 GiB, or a read error), and " +
           left;
  }
  if (content != storage::ListContent::Kind::kList) {
    return load +
           " applies nothing: the list holds no data (its plain text is shorter than 16 characters, or "
           "the file is empty or not UTF-8), and " +
           (role == ListRole::kResource ? "the restore status stays \"START\"" : "the file is left as it is");
  }
  if (malformed) {
    return load + " applies nothing: the plain text is not a JSON array" +
           (why_malformed.empty() ? "" : " (" + why_malformed + ")") +
           (role == ListRole::kResource ? "" : " (the file is emptied all the same)");
  }
  if (refusal) {
    const platform::CallDirectoryError& error = refusal->error;
    return load + " fails: error " + std::to_string(error.code) + " (" + platform::errorCodeName(error.code) +
           ") at element " + std::to_string(refusal->element) +
           (refusal->line ? " (line " + std::to_string(*refusal->line) + ")" : "") + ": " + error.reason;
  }
  if (role == ListRole::kDel) return load + " removes " + plural(applied, "number", "numbers");
  return load + " adds " + plural(applied, "entry", "entries");
}

CheckReport checkList(std::string data, const CheckOptions& options) {
  return checkAndKeepList(std::move(data), options).report;
}

CheckedList checkAndKeepList(std::string data, const CheckOptions& options) {
  return checkListContent(
      options.as_stored ? storage::readListText(std::move(data)) : storage::readListInput(std::move(data)),
      options);
}

CheckedList checkListContent(storage::ListContent content, const CheckOptions& options) {
  CheckedList out;
  CheckReport& report = out.report;
  report.role = options.role;
  report.content = content.kind;
  report.plain_input = content.plain_input;
  report.failure = content.failure;
  if (!content.holdsData()) {
    out.plain = std::move(content.plain);
    return out;
  }
  // Text that is not UTF-8 is told with the byte and line where it stops.
  if (base::Status utf8 = checkUtf8(content.plain, "it"); !utf8.ok()) {
    report.malformed = true;
    report.why_malformed = utf8.message();
    out.plain = std::move(content.plain);
    return out;
  }
  // The walk reads the document's own buffer, where lines are counted too.
  auto read = storage::readCallerList(std::move(content.plain));
  if (!read.ok()) {
    report.malformed = true;
    report.why_malformed = read.status().message();
    return out;
  }
  std::unique_ptr<platform::JsonDocument> list = std::move(read).value();
  report.elements = list->count();
  Checker checker(options, report, list->text());
  storage::forEachCallerEntry(*list, [&](std::size_t index, const storage::CallerEntry& e) {
    checker.visit(index, e);
    if (options.each) options.each(index, e, list->text());
    if (options.progress && (index + 1) % kProgressEvery == 0) options.progress(index + 1, report.elements);
  });
  out.plain = std::move(*list).releaseText();
  return out;
}

}  // namespace calldir::lists

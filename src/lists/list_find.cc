#include "lists/list_find.h"

#include <set>

#include "lists/line_counter.h"
#include "lists/number_range.h"
#include "lists/number_reader.h"
#include "platform/text.h"

namespace calldir::lists {

namespace {

// Whether `number` is one of the numbers `range` stands for, read as the
// list's reader reads them.
bool rangeHolds(const NumberRange& range, std::int64_t number, NumberReader& reader) {
  if (number <= 0 || range.hashes > 18) return false;
  std::uint64_t base = 1;
  for (unsigned i = 0; i < range.hashes; ++i) base *= 10;
  const std::string member = memberOf(range, static_cast<std::uint64_t>(number) % base);
  const NumberReading reading = reader.read(member);
  return reading.kind != NumberReading::Kind::kUnreadable && reading.digits == std::to_string(number);
}

class Finder {
 public:
  Finder(const std::vector<std::int64_t>& numbers, const CheckOptions& options)
      : targets_(numbers.begin(), numbers.end()),
        options_(options),
        reader_(options.region, options.digits_as_written) {}

  void visit(std::size_t index, const storage::CallerEntry& element, std::string_view text,
             ListFinding& out) {
    if (!lines_) lines_.emplace(text);
    if (!element.number) return;
    Occurrence at;
    at.element = index + 1;
    at.text = std::string(*element.number);
    if (element.name) at.name = std::string(*element.name);
    at.use =
        options_.role == ListRole::kDel ? storage::useForRemoving(element) : storage::useForAdding(element);
    at.stored = platform::integerValue(*element.number);
    at.line = lines_->lineOf(element.raw);
    if (targets_.count(at.stored)) {
      out.found[at.stored].push_back(at);
      return;
    }
    if (auto range = rangeOf(*element.number)) {
      at.how = Occurrence::How::kInRange;
      for (std::int64_t number : targets_) {
        if (rangeHolds(*range, number, reader_)) out.found[number].push_back(at);
      }
      return;
    }
    const NumberReading reading = reader_.read(*element.number);
    if (reading.kind == NumberReading::Kind::kUnreadable) return;
    const std::int64_t meant = platform::integerValue(reading.digits);
    if (targets_.count(meant)) {
      at.how = Occurrence::How::kMeant;
      out.found[meant].push_back(at);
    }
  }

 private:
  std::set<std::int64_t> targets_;
  const CheckOptions& options_;
  std::optional<LineCounter> lines_;  // in the list's plain text, once the walk shows it
  NumberReader reader_;
};

}  // namespace

ListFinding findNumbers(storage::ListContent content, const std::vector<std::int64_t>& numbers,
                        CheckOptions options) {
  ListFinding out;
  Finder finder(numbers, options);
  // One walk: the check's, which shows the finder every element.
  options.each = [&](std::size_t index, const storage::CallerEntry& e, std::string_view text) {
    finder.visit(index, e, text, out);
  };
  out.check = checkListContent(std::move(content), options).report;
  return out;
}

}  // namespace calldir::lists

#include "lists/caller_entries.h"

#include <algorithm>
#include <numeric>

#include "lists/line_counter.h"
#include "lists/list_check.h"
#include "lists/number_reader.h"
#include "lists/number_verdict.h"
#include "platform/text.h"
#include "storage/caller_list.h"
#include "storage/list_content.h"

namespace calldir::lists {

void CallerEntries::add(std::int64_t number, std::string_view name) {
  numbers_.push_back(number);
  names_.append(name);
  name_ends_.push_back(static_cast<std::uint32_t>(names_.size()));
}

void CallerEntries::reserve(std::size_t entries, std::size_t name_bytes) {
  numbers_.reserve(numbers_.size() + entries);
  name_ends_.reserve(name_ends_.size() + entries);
  names_.reserve(names_.size() + name_bytes);
}

std::string_view CallerEntries::name(std::size_t i) const {
  const std::size_t begin = i == 0 ? 0 : name_ends_[i - 1];
  return std::string_view(names_).substr(begin, name_ends_[i] - begin);
}

void CallerEntries::sortByNumber() {
  if (std::is_sorted(numbers_.begin(), numbers_.end())) return;
  std::vector<std::uint32_t> order(numbers_.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return numbers_[a] < numbers_[b]; });
  CallerEntries sorted;
  sorted.reserve(numbers_.size(), names_.size());
  for (std::uint32_t i : order) sorted.add(numbers_[i], name(i));
  *this = std::move(sorted);
}

std::size_t CallerEntries::firstRepeatedNumber() const {
  for (std::size_t i = 1; i < numbers_.size(); ++i) {
    if (numbers_[i] == numbers_[i - 1]) return i;
  }
  return numbers_.size();
}

base::Result<CallerEntries> readCallerEntries(std::string data, const ReadEntriesOptions& options) {
  CallerEntries out;
  storage::ListContent content = storage::readListInput(std::move(data));
  if (content.kind == storage::ListContent::Kind::kUndecodable) {
    return base::Status::InvalidArgument(std::string("the list text does not decode: ") +
                                         codec::describeDecodeFailure(content.failure));
  }
  if (!content.holdsData()) return out;  // no entries
  auto list = storage::parseCallerList(std::move(content.plain));
  if (!list) return base::Status::InvalidArgument("the list is not a JSON array");
  if (list->text().size() > UINT32_MAX) return base::Status::InvalidArgument("the list is larger than 4 GiB");
  NumberReader reader(options.region, options.digits_as_written);
  ElementLines lines(content.plain_input ? list->text() : std::string_view(), options.source_lines);
  base::Status refused;
  storage::forEachCallerEntry(*list, [&](std::size_t index, const storage::CallerEntry& e) {
    if (options.progress && (index + 1) % kProgressEvery == 0) options.progress(index + 1, list->count());
    if (!refused.ok() || storage::useForAdding(e) != storage::ElementUse::kApplied) return;
    const NumberVerdict verdict = judgeNumber(reader, *e.number);
    const NumberReading& reading = verdict.reading;
    if (verdict.written(options.keep_doubtful)) {
      out.add(platform::integerValue(reading.digits), *e.name);
      return;
    }
    // Lines are counted only up to the one element refused.
    const auto line = lines.lineOf(index, e.raw);
    refused = base::Status::InvalidArgument(
        "element " + std::to_string(index + 1) + (line ? " (line " + std::to_string(*line) + ")" : "") +
        ": " + problemName(*verdict.problem) + ": " + reader.whyNotValid(*e.number, reading) +
        (reading.kind == NumberReading::Kind::kDoubtful
             ? " (--keep-doubtful takes it as " + reading.digits + ")"
             : "") +
        "; `calldir list fix` shows every such number");
  });
  if (!refused.ok()) return refused;
  return out;
}

}  // namespace calldir::lists

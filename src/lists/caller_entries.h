// The entries of a caller list, held compactly: numbers as the extension
// converts them, names end to end in one buffer. Millions of entries cost
// about twelve bytes each beyond their names, and the list's document can
// go once they are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace calldir::lists {

class CallerEntries {
 public:
  void add(std::int64_t number, std::string_view name);
  // Room for `entries` more entries with `name_bytes` of names in all.
  void reserve(std::size_t entries, std::size_t name_bytes);
  std::size_t size() const { return numbers_.size(); }
  std::int64_t number(std::size_t i) const { return numbers_[i]; }
  std::string_view name(std::size_t i) const;
  // Orders the entries by number, keeping the list order of equal numbers.
  void sortByNumber();
  // The first index whose number equals the one before it, or size().
  std::size_t firstRepeatedNumber() const;

 private:
  std::vector<std::int64_t> numbers_;
  std::vector<std::uint32_t> name_ends_;  // into names_; names over 4 GiB in all are refused
  std::string names_;
};

struct ReadEntriesOptions {
  std::string region;              // how numbers not written internationally are read
  bool digits_as_written = false;  // digits alone are E.164 digits even where the region reads them otherwise
  bool keep_doubtful = false;      // take a doubtful number as what it would become
  // For a list made from CSV: the CSV line each element came from.
  const std::vector<std::size_t>* source_lines = nullptr;
  // Told how many elements of how many are done, now and then.
  std::function<void(std::size_t done, std::size_t total)> progress;
};

// The entries of the list in `data` (a list text or plain JSON), their
// numbers read as `list fix` reads them: elements with both a "number" and a
// "name"; the others are left out. An invalid-argument error when the list
// does not decode or parse, or when a number cannot be read (or is
// doubtful): the error names the element and its text.
base::Result<CallerEntries> readCallerEntries(std::string data, const ReadEntriesOptions& options = {});

}  // namespace calldir::lists

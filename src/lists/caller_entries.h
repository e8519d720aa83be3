// The entries of a caller list, held compactly: numbers as the extension
// converts them, names end to end in one buffer. Millions of entries cost
// about twelve bytes each beyond their names, and the list's document can
// go once they are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace calldir::lists {

class CallerEntries {
 public:
  void add(std::int64_t number, std::string_view name);
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

// The entries a restore from zero would add from the list in `data` (a list
// text or plain JSON): elements with both a "number" and a "name"; the
// others are left out. An invalid-argument error when the list does not
// decode or parse.
base::Result<CallerEntries> readCallerEntries(std::string data);

}  // namespace calldir::lists

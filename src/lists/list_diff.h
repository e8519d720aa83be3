// The delta lists between two full caller lists: applied to a store that
// holds OLD (removals first, then additions, as an update does), they leave
// exactly NEW. Numbers gone or renamed are removed; new or renamed entries
// are added.
#pragma once

#include <cstddef>
#include <string>

#include "base/result.h"
#include "lists/caller_entries.h"

namespace calldir::lists {

struct ListDiff {
  std::string del_plain;  // plain JSON lists, ascending, one element per line
  std::string add_plain;
  std::size_t removed = 0;  // numbers gone from NEW
  std::size_t added = 0;    // numbers new in NEW
  std::size_t renamed = 0;  // numbers in both with another name
};

// Computes the delta lists of `old_list` and `new_list`. A list with the
// same number twice is refused: an invalid-argument error naming it.
base::Result<ListDiff> diffLists(CallerEntries& old_list, CallerEntries& new_list);

}  // namespace calldir::lists

// Where numbers stand in a caller list, for `calldir why`: every element
// whose number the extension takes as one of them, every element written to
// mean one of them but taken as another, and every range that holds one,
// with what the list's reader does with each and the verdict on the list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "lists/list_check.h"
#include "storage/caller_list.h"
#include "storage/list_content.h"

namespace calldir::lists {

struct Occurrence {
  enum class How {
    kListed,   // the extension takes the element's number as this one
    kMeant,    // the element means this number, but the extension takes it as `stored`
    kInRange,  // a range ("+82 1588-####") that holds this number, which the extension takes as `stored`
  };
  How how = How::kListed;
  std::size_t element = 0;          // from 1
  std::optional<std::size_t> line;  // of the list's plain text
  std::string text;                 // the number as written
  std::optional<std::string> name;
  storage::ElementUse use = storage::ElementUse::kApplied;  // what the list's reader does with it
  std::int64_t stored = 0;
};

struct ListFinding {
  CheckReport check;  // the verdict of the whole list
  std::map<std::int64_t, std::vector<Occurrence>> found;
};

// Finds `numbers` in the list file read as `content` (its role in `options`
// decides what its reader needs).
ListFinding findNumbers(storage::ListContent content, const std::vector<std::int64_t>& numbers,
                        CheckOptions options);

}  // namespace calldir::lists

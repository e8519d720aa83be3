#include "lists/list_diff.h"

#include "lists/list_writer.h"

namespace calldir::lists {

namespace {

base::Status refuseRepeats(CallerEntries& list, const char* which) {
  list.sortByNumber();
  const std::size_t repeat = list.firstRepeatedNumber();
  if (repeat == list.size()) return base::Status::Ok();
  return base::Status::InvalidArgument(std::string(which) + " holds the number " +
                                       std::to_string(list.number(repeat)) +
                                       " twice; `calldir list fix` makes it a list with each number once");
}

}  // namespace

base::Result<ListDiff> diffLists(CallerEntries& old_list, CallerEntries& new_list) {
  ListDiff out;
  if (auto s = refuseRepeats(old_list, "OLD"); !s.ok()) return s;
  if (auto s = refuseRepeats(new_list, "NEW"); !s.ok()) return s;
  std::size_t i = 0, j = 0;
  while (i < old_list.size() || j < new_list.size()) {
    const bool take_old =
        j == new_list.size() || (i < old_list.size() && old_list.number(i) < new_list.number(j));
    const bool take_new =
        i == old_list.size() || (j < new_list.size() && new_list.number(j) < old_list.number(i));
    if (take_old) {
      appendListElement(out.del_plain, std::to_string(old_list.number(i++)), std::nullopt);
      ++out.removed;
    } else if (take_new) {
      appendListElement(out.add_plain, std::to_string(new_list.number(j)), new_list.name(j));
      ++j;
      ++out.added;
    } else {
      if (old_list.name(i) != new_list.name(j)) {  // a rename: remove the number, add it again
        appendListElement(out.del_plain, std::to_string(old_list.number(i)), std::nullopt);
        appendListElement(out.add_plain, std::to_string(new_list.number(j)), new_list.name(j));
        ++out.renamed;
      }
      ++i;
      ++j;
    }
  }
  closeList(out.del_plain);
  closeList(out.add_plain);
  return out;
}

}  // namespace calldir::lists

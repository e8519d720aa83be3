// Writing a plain caller list, one element per line: "[", then
// {"number":"<digits>","name":"<label>"} elements separated by ",\n", then
// "]". An empty list is "[]".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/json_quote.h"

namespace calldir::lists {

// Appends one element, {"number":...,"name":...}, to `out`; no name for a
// delete list.
inline void appendElement(std::string& out, std::string_view number, std::optional<std::string_view> name) {
  out += "{\"number\":";
  base::appendJsonQuoted(out, number);
  if (name) {
    out += ",\"name\":";
    base::appendJsonQuoted(out, *name);
  }
  out += '}';
}

// Appends one element to the list being written whole in `out`.
inline void appendListElement(std::string& out, std::string_view number,
                              std::optional<std::string_view> name) {
  out += out.empty() ? "[\n" : ",\n";
  appendElement(out, number, name);
}

// Ends the list being written in `out`.
inline void closeList(std::string& out) { out += out.empty() ? "[]\n" : "\n]\n"; }

}  // namespace calldir::lists

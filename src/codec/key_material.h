// The list key material: a table of 77 printable ASCII characters and four
// records, each a distinct one-character label with table positions (7, 4, 2
// and 3 of them, in creation order). It comes from a JSON file at build time
//
//   {"table": "<77 characters>",
//    "records": [{"word": "<one character>", "point": [<positions 0..76>]}, ...]}
//
// (other members, such as "note", are ignored) and is compiled in; the key
// itself is never written anywhere.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/result.h"

namespace calldir::codec {

// One key record: its one-character label and its positions in the table.
struct KeyRecordMaterial {
  char word;
  std::array<std::uint8_t, 7> point;
  std::size_t count;  // positions used in `point`
};

// The key character table and the records, in creation order.
struct KeyMaterial {
  std::array<char, 77> table;
  std::array<KeyRecordMaterial, 4> records;
};

// How many positions each record holds, in creation order.
inline constexpr std::array<std::size_t, 4> kRecordSizes = {7, 4, 2, 3};

// Reads key material from its JSON text, checking every rule above; the
// error says which rule the text breaks.
base::Result<KeyMaterial> parseKeyMaterial(std::string_view json);

// The C++ initialiser of `material` as the constant `name`, for the build.
std::string keyMaterialSource(const KeyMaterial& material, std::string_view name);

}  // namespace calldir::codec

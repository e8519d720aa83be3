// The list key: 16 printable ASCII characters that the extension assembles at
// run time from key material compiled into it (a character table and four
// labelled records of table positions). The key is never stored whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

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

// The material this build was configured with.
const KeyMaterial& builtInKeyMaterial();

// Assembles a key from `material`: the records sorted by label (ascending
// character code), each contributing the table characters at its positions
// in stored order.
std::string assembleListKey(const KeyMaterial& material);

// The list key of this build, assembled anew at every call.
std::string getCallDirectoryEncryptKey();

}  // namespace calldir::codec

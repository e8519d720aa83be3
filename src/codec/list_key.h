// The list key: 16 printable ASCII characters that the extension assembles at
// run time from key material compiled into it (a character table and four
// labelled records of table positions). The key is never stored whole.
#pragma once

#include <string>

#include "codec/key_material.h"

namespace calldir::codec {

// The material this build was configured with.
const KeyMaterial& builtInKeyMaterial();

// Assembles a key from `material`: the records sorted by label (ascending
// character code), each contributing the table characters at its positions
// in stored order.
std::string assembleListKey(const KeyMaterial& material);

// The list key of this build, assembled anew at every call.
std::string getCallDirectoryEncryptKey();

}  // namespace calldir::codec

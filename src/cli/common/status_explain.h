// The status lines the extension writes, told as sentences for people: what
// "111", "Restore 2 [...]~[...] [8 / 8] {...}" or "[1 / 2] {...}" mean.
#pragma once

#include <string>
#include <string_view>

namespace calldir::cli {

// One sentence for the line `value` stored under the status key `key`.
std::string explainStatusLine(std::string_view key, std::string_view value);

}  // namespace calldir::cli

// Writing JSON by hand for the tool's --json outputs.
#pragma once

#include <string>
#include <string_view>

namespace calldir::cli {

// `text` as a JSON string literal, quotes included.
std::string jsonQuote(std::string_view text);

}  // namespace calldir::cli

// The one JSON string quoter, for every JSON document and trace line that
// calldir writes by hand.
#pragma once

#include <string>
#include <string_view>

namespace calldir::base {

// `text` as a JSON string literal, quotes included. Quotes, backslashes and
// control characters are escaped. Bytes that are not UTF-8 (a settings value
// another program wrote, say) become U+FFFD, so the result is always valid
// JSON.
std::string jsonQuote(std::string_view text);

// Appends jsonQuote(text) to `out`.
void appendJsonQuoted(std::string& out, std::string_view text);

}  // namespace calldir::base

// The labels a list gives its numbers, as a phone shows them: what shows
// badly or deceptively, and the one form (Unicode NFC) a fix writes, so that
// a name composed one way and decomposed the other is one name.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace calldir::lists {

// The longest label, in characters, that list check takes without a
// warning: a phone shows a line of about this much on a call.
inline constexpr std::size_t kLongestLabel = 100;

// What a phone would show badly or deceptively in `label`, in a few words:
// nothing but spaces, control characters, marks that reorder the text
// (a right-to-left override shows it backwards), characters that show as
// nothing, or more than kLongestLabel characters. No value for a label
// that shows as written.
std::optional<std::string> labelProblem(std::string_view label);

// `label` in Unicode Normalization Form C, when that differs from `label`;
// no value when it is in that form already (all ASCII is) or is not UTF-8.
std::optional<std::string> normalizedLabel(std::string_view label);

}  // namespace calldir::lists

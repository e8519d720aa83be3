// The labels a list gives its numbers, as a phone shows them: what shows
// badly or deceptively, and the one form (Unicode NFC) a fix writes, so that
// a name composed one way and decomposed the other is one name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace calldir::lists {

// The longest label, in characters, that list check takes without a
// warning: a phone shows a line of about this much on a call.
inline constexpr std::size_t kLongestLabel = 100;

// What a character is to someone reading a line of text.
enum class CharacterKind {
  kVisible,
  kControl,     // C0 and C1 controls, DEL
  kReordering,  // marks that reorder text on screen: bidirectional embeddings, overrides, isolates, marks
  kZeroWidth,   // shows as nothing: zero-width spaces and joiners, the byte-order mark
  kSpaceLike,   // shows as a space but is none: no-break, thin, ideographic spaces
};
CharacterKind characterKind(char32_t c);

// The code point of the UTF-8 character at text[i] and the bytes it takes;
// -1 and 1 for a byte that begins no UTF-8 character.
std::pair<std::int32_t, std::size_t> codePointAt(std::string_view text, std::size_t i);

// What a phone would show badly or deceptively in `label`, in a few words:
// nothing but spaces, control characters, marks that reorder the text
// (a right-to-left override shows it backwards), characters that show as
// nothing, or more than kLongestLabel characters. No value for a label
// that shows as written.
std::optional<std::string> labelProblem(std::string_view label);

// `label` as `list fix` writes every name, from JSON and CSV alike: without
// white space before or after it (Unicode White_Space; a name of nothing
// else stays as it is) and in Unicode Normalization Form C. No value when
// that is `label` already, or it is not UTF-8.
std::optional<std::string> normalizedLabel(std::string_view label);

}  // namespace calldir::lists

// A caller list as a producer hands it to calldir: a list text (read exactly
// as the extension reads list files) or a plain JSON list (first non-blank
// character "[" or "{"), told apart by their first character.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "codec/text_decoding.h"

namespace calldir::lists {

// True when `data` is plain JSON: its first non-blank character is "[" or "{".
bool looksLikePlainJson(std::string_view data);

struct ListSource {
  enum class Outcome {
    kText,         // `plain` holds the JSON text
    kUndecodable,  // a list text that does not decode (see `failure`)
    kNoData,       // shorter than 16 characters: a list without data
  };
  Outcome outcome = Outcome::kText;
  codec::DecodeFailure failure = codec::DecodeFailure::kNone;
  bool plain_input = false;  // given as plain JSON rather than as a list text
  std::string plain;
};

// Takes over `data` and gives its plain JSON text.
ListSource readListSource(std::string data);

// The line each element of a plain JSON text starts on, for elements asked
// about in text order; no value for a list that was given as a list text.
class LineCounter {
 public:
  // `text`: the text the elements point into; empty when there are no lines.
  explicit LineCounter(std::string_view text) : text_(text) {}
  std::optional<std::size_t> lineOf(std::string_view element);

 private:
  std::string_view text_;
  std::size_t scanned_ = 0;
  std::size_t lines_ = 0;
};

}  // namespace calldir::lists

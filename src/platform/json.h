// The platform's JSON parser, as far as the extension uses it: a document
// whose top level is an array or an object (a bare value is malformed), read
// from UTF-8 text, and a walk over the elements of a top-level array that
// gives the string members a reader asks for by name.
//
// The whole text is checked before anything is walked, so a malformed
// document yields no result rather than a partial walk. Member texts and raw
// element texts point into the document's own buffer and live as long as it.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/result.h"

namespace calldir::platform {

// One element of a top-level array.
struct JsonElementView {
  bool is_object = false;
  // One slot per key the walk was asked for, in that order: the member's
  // text when the element is an object holding it as a string; no value when
  // it is absent or not a string. With repeated keys the last one counts.
  std::span<const std::optional<std::string_view>> members;
  // The element's JSON text as written (no surrounding white space).
  std::string_view raw;
};

class JsonDocument {
 public:
  enum class Kind { kArray, kObject };

  // Parses `text`, taking over its buffer. No result when the text is not
  // well-formed JSON or its top level is neither an array nor an object.
  static std::unique_ptr<JsonDocument> parse(std::string text);
  // As parse, with an invalid-argument error that says in a few words why
  // the text is no document, and where: "line L, column C" (columns count
  // bytes from 1) where the parser stopped, when it can tell.
  static base::Result<std::unique_ptr<JsonDocument>> read(std::string text);

  ~JsonDocument();
  JsonDocument(const JsonDocument&) = delete;
  JsonDocument& operator=(const JsonDocument&) = delete;

  Kind kind() const;

  // The JSON text the document was parsed from.
  std::string_view text() const;
  // Gives the text's buffer back; the document holds nothing after.
  std::string releaseText() &&;

  // Elements of a top-level array, or members of a top-level object.
  std::size_t count() const;

  enum class WalkResult {
    kArray,      // every element visited, and the whole text is well-formed
    kNotArray,   // well-formed, but the top level is an object: nothing visited
    kMalformed,  // not well-formed; the elements before the fault were visited
  };
  // Visits the elements of a top-level array in `text` while checking the
  // whole text, in one pass: cheaper than parse() and forEachElement(), for
  // a reader that can take back what it did with a prefix of a text that
  // turns out malformed. The views point into `text`.
  // The array is parsed about `piece` bytes at a time, so the parser's
  // index covers a piece, not the whole text.
  static constexpr std::size_t kWalkPiece = 1 << 20;
  static WalkResult walkOnce(std::string& text, std::span<const std::string_view> keys,
                             const std::function<void(std::size_t index, const JsonElementView&)>& visit,
                             std::size_t piece = kWalkPiece);

  // Calls `visit` for each element of a top-level array, in order, with the
  // string members named by `keys`; does nothing for an object. The views
  // are valid during the call only, but the texts they point to live as
  // long as the document.
  void forEachElement(std::span<const std::string_view> keys,
                      const std::function<void(std::size_t index, const JsonElementView&)>& visit);

 private:
  struct Impl;
  explicit JsonDocument(std::unique_ptr<Impl> impl);
  // Parses `text`, taking it over; leaves it where it was on failure, with
  // what the parser found and the offset where it stopped, when known.
  struct Failure {
    std::string what;
    std::optional<std::size_t> at;
  };
  static std::unique_ptr<JsonDocument> parseWhole(std::string& text, Failure* failure = nullptr);
  std::unique_ptr<Impl> impl_;
};

// `raw` (well-formed JSON) without insignificant white space, members and
// elements in the order written. Used to render an element in a log line.
std::string compactJson(std::string_view raw);

// Ok when `text` is a UTF-8 JSON array; otherwise an invalid-argument error
// that says in a few words what it is instead.
base::Status checkJsonArray(std::string_view text);

}  // namespace calldir::platform

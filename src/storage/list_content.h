// What a list file holds, read the way the extension reads list files: the
// one answer the extension, the list tools and the command line all take.
// A stored list text is read as UTF-8 and decoded (trim, Base64, AES-256
// under the list key, UTF-8); a plain text shorter than 16 characters holds
// no list data. The producer's tools also take a plain JSON list as it is.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "codec/text_decoding.h"

namespace calldir::storage {

struct ListContent {
  enum class Kind {
    kMissing,      // there is no such file
    kEmpty,        // a file of zero bytes: applied and emptied, or never written
    kUnreadable,   // not a regular file, a symbolic link, too large, or a read error
    kNotText,      // bytes that are not UTF-8, which read as no text
    kUndecodable,  // a list text whose layers do not decode; `failure` says which
    kNoData,       // a plain text shorter than 16 characters
    kList,         // `plain` holds 16 characters or more, for the readers to parse
  };
  Kind kind = Kind::kMissing;
  codec::DecodeFailure failure = codec::DecodeFailure::kNone;
  bool plain_input = false;  // given as a plain JSON list, not as a list text
  std::string plain;         // the plain text, for kList and for a kNoData that decoded
  std::string stored;        // the file's bytes, when the reader was asked to keep them

  bool holdsData() const { return kind == Kind::kList; }
  // What the list file operations of the extension give for this content:
  // the plain text, "" (nothing usable, or too short), or no text (it did
  // not decode).
  std::optional<std::string> decodedText() &&;
};

// How a delta list in this state reads in the status: "missing", "empty",
// "waiting" (the next update applies it) or "no data" (it is left as it is).
const char* describeForUpdate(ListContent::Kind kind);

// The content of a stored list text held in `bytes`.
ListContent readListText(std::string bytes);

// The content of a list as a producer hands it: plain JSON when its first
// non-blank character is "[" or "{", taken as it is; a list text otherwise.
ListContent readListInput(std::string bytes);

// True when `data` is plain JSON: its first non-blank character is "[" or "{".
bool looksLikePlainJson(std::string_view data);

// The kind of bytes a list file holds as text: ASCII (the list texts calldir
// writes), other UTF-8, or no text at all. One scan for the usual case.
enum class TextKind { kAscii, kUtf8, kNotText };
TextKind textKindOf(std::string_view bytes);

// Decodes the stored list text `bytes`, already found to be `text_kind`.
ListContent decodeStoredText(std::string bytes, TextKind text_kind);

}  // namespace calldir::storage

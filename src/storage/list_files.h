// The list files: finding, reading, writing, emptying and marking them in the
// app group's shared container and among the extension's resources.
//
// Reading methods hand the stored text to getDecodedText and return what it
// gives: the plain JSON text, "" or no text. Writing methods never report.
// A missing container makes every read give "" and every write do nothing.
// Writes never follow a symbolic link planted in the container.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace calldir::storage {

inline constexpr std::string_view kResourceCopyName = "callers.json";
inline constexpr std::string_view kInstalledMarkerText = "INSTALLED";

// What a delta list in the container holds, as the next update would see it.
struct GroupListState {
  enum class Kind {
    kMissing,  // no such file
    kEmpty,    // zero bytes: applied and emptied, or never written
    kNoData,   // does not decode, or shorter than 16 characters: left as it is
    kWaiting,  // the next update applies it (or, when malformed, empties it)
  };
  Kind kind = Kind::kMissing;
  std::size_t elements = 0;  // for kWaiting
  bool malformed = false;    // for kWaiting: not a JSON array, emptied without changes
};

// "missing", "empty", "no data" or "waiting".
const char* describeGroupListKind(GroupListState::Kind kind);

class ListFiles {
 public:
  ListFiles(platform::FileManager& files, platform::Bundle& bundle, std::string group)
      : files_(files), bundle_(bundle), group_(std::move(group)) {}

  // Leaves the container file `name` present and zero bytes long.
  void clearJsonGroupFile(std::string_view name);

  // As clearJsonGroupFile, but a file that no longer holds `stored` (the text
  // read from it earlier) is left alone: the containing application has
  // replaced it, and the new list waits for the next request.
  void clearJsonGroupFileIfUnchanged(std::string_view name, std::string_view stored);

  // Writes "INSTALLED" into the container file `name`.
  void saveAddZeroInstalledJsonToGroupFile(std::string_view name);

  // Reads the resource `name`.json, copies its stored text into
  // "callers.json" in the container, and returns its plain text.
  std::optional<std::string> forceReadJsonDataFromResourceFile(std::string_view name);

  // As forceReadJsonDataFromResourceFile, unless the container already holds
  // `name`.json (the installed marker): then "" without reading anything.
  std::optional<std::string> readJsonDataFromResourceFile(std::string_view name);

  // The plain text of the container file `name`; "" when it is missing.
  std::optional<std::string> readJsonDataFromGroupFile(std::string_view name);

  // As above; `stored` receives the file's stored text (empty when missing).
  std::optional<std::string> readJsonDataFromGroupFile(std::string_view name, std::string& stored);

  // What the container file `name` holds for the next update.
  GroupListState inspectGroupFile(std::string_view name);

  // Replaces the container file `name` with `text` (creating it first). No
  // text (a resource that was not UTF-8) creates the file but writes nothing.
  void writeJsonToGroupFile(std::string_view name, std::optional<std::string_view> text);

 private:
  std::optional<std::string> locate(std::string_view name);
  // The plain text of a container file; its stored text goes to `stored`
  // when given (copying it costs a second buffer, so only when asked).
  std::optional<std::string> readGroupFile(std::string_view name, std::string* stored);

  platform::FileManager& files_;
  platform::Bundle& bundle_;
  std::string group_;
};

}  // namespace calldir::storage

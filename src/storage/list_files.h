// The list files: finding, reading, writing, emptying and marking them in the
// app group's shared container and among the extension's resources.
//
// Reading methods give what a file holds as a ListContent; the operations
// named after the extension's hand on its decoded text, as getDecodedText
// gives it: the plain JSON text, "" or no text. Writing methods never report.
// A missing container makes every read give "" and every write do nothing.
// Writes never follow a symbolic link planted in the container.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "storage/list_content.h"

namespace calldir::storage {

inline constexpr std::string_view kResourceCopyName = "callers.json";
inline constexpr std::string_view kInstalledMarkerText = "INSTALLED";

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

  // Reads the resource `name`.json and, when it holds any bytes, copies its
  // stored text into "callers.json" in the container before decoding it.
  ListContent readResourceList(std::string_view name);

  // What the resource `name`.json holds, read as readResourceList reads it
  // but copied nowhere: for a reader that only looks.
  ListContent inspectResourceList(std::string_view name);

  // The path of the container file `name`; no value without a container.
  std::optional<std::string> groupFilePath(std::string_view name) { return locate(name); }

  // What the container file `name` holds; with `keep_stored`, the content
  // keeps the file's bytes too (a second buffer, so only when asked).
  ListContent readGroupList(std::string_view name, bool keep_stored = false);

  // readResourceList's plain text.
  std::optional<std::string> forceReadJsonDataFromResourceFile(std::string_view name) {
    return readResourceList(name).decodedText();
  }

  // As forceReadJsonDataFromResourceFile, unless the container already holds
  // `name`.json (the installed marker): then "" without reading anything.
  // Nothing sends it; kept because the ported class has it.
  std::optional<std::string> readJsonDataFromResourceFile(std::string_view name);

  // readGroupList's plain text; "" when the file is missing.
  std::optional<std::string> readJsonDataFromGroupFile(std::string_view name) {
    return readGroupList(name).decodedText();
  }

  // Replaces the container file `name` with `text` (creating it first). No
  // text (a resource that was not UTF-8) creates the file but writes nothing.
  void writeJsonToGroupFile(std::string_view name, std::optional<std::string_view> text);

 private:
  std::optional<std::string> locate(std::string_view name);

  platform::FileManager& files_;
  platform::Bundle& bundle_;
  std::string group_;
};

}  // namespace calldir::storage

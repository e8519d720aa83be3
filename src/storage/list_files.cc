#include "storage/list_files.h"

namespace calldir::storage {

std::optional<std::string> ListFiles::locate(std::string_view name) {
  auto container = files_.containerURLForSecurityApplicationGroupIdentifier(group_);
  if (!container) return std::nullopt;
  return platform::appendingPathComponent(*container, name);
}

void ListFiles::writeJsonToGroupFile(std::string_view name, std::optional<std::string_view> text) {
  auto path = locate(name);
  if (!path) return;
  if (!files_.fileExistsAtPath(*path)) files_.createFileAtPath(*path);
  if (text) files_.writeToFile(*path, *text);
}

void ListFiles::clearJsonGroupFile(std::string_view name) { writeJsonToGroupFile(name, ""); }

void ListFiles::clearJsonGroupFileIfUnchanged(std::string_view name, std::string_view stored) {
  auto path = locate(name);
  if (!path) return;
  if (!files_.fileExistsAtPath(*path)) {
    files_.createFileAtPath(*path);
    return;
  }
  files_.truncateFileIfUnchanged(*path, stored);
}

void ListFiles::saveAddZeroInstalledJsonToGroupFile(std::string_view name) {
  writeJsonToGroupFile(name, kInstalledMarkerText);
}

namespace {

// The resource `name`.json, read as the extension reads it; `copy` is shown
// its bytes before anything is decoded, with their kind of text.
template <typename Copy>
ListContent readResource(platform::FileManager& files, platform::Bundle& bundle, std::string_view name,
                         Copy copy) {
  ListContent content;
  auto path = bundle.pathForResource(name, "json");
  if (!path) return content;
  auto data = files.dataWithContentsOfFile(*path);
  if (!data) {
    content.kind = ListContent::Kind::kUnreadable;
    return content;
  }
  if (data->empty()) {
    content.kind = ListContent::Kind::kEmpty;
    return content;
  }
  const TextKind text_kind = textKindOf(*data);
  copy(*data, text_kind);
  return decodeStoredText(std::move(*data), text_kind);
}

}  // namespace

ListContent ListFiles::readResourceList(std::string_view name) {
  // The copy is written before anything is decoded, and even when nothing
  // will decode; bytes that are not text leave it created but unwritten.
  return readResource(files_, bundle_, name, [this](std::string_view data, TextKind text_kind) {
    const bool is_text = text_kind != TextKind::kNotText;
    writeJsonToGroupFile(kResourceCopyName, is_text ? std::optional<std::string_view>(data) : std::nullopt);
  });
}

ListContent ListFiles::inspectResourceList(std::string_view name) {
  return readResource(files_, bundle_, name, [](std::string_view, TextKind) {});
}

std::optional<std::string> ListFiles::readJsonDataFromResourceFile(std::string_view name) {
  auto marker = locate(std::string(name) + ".json");
  if (marker && files_.fileExistsAtPath(*marker)) return std::string();
  return forceReadJsonDataFromResourceFile(name);
}

ListContent ListFiles::readGroupList(std::string_view name, bool keep_stored) {
  ListContent content;
  auto path = locate(name);
  if (!path || !files_.fileExistsAtPath(*path)) return content;
  auto data = files_.dataWithContentsOfFile(*path);
  if (!data) {
    content.kind = ListContent::Kind::kUnreadable;
    return content;
  }
  std::string stored = keep_stored ? *data : std::string();
  content = readListText(std::move(*data));
  content.stored = std::move(stored);
  return content;
}

}  // namespace calldir::storage

#include "storage/list_files.h"

#include "codec/text_decoding.h"
#include "platform/text.h"
#include "storage/caller_list.h"

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

std::optional<std::string> ListFiles::forceReadJsonDataFromResourceFile(std::string_view name) {
  auto path = bundle_.pathForResource(name, "json");
  if (!path) return std::string();
  auto data = files_.dataWithContentsOfFile(*path);
  if (!data || data->empty()) return std::string();
  const bool is_text = platform::isValidUtf8(*data);
  writeJsonToGroupFile(kResourceCopyName, is_text ? std::optional<std::string_view>(*data) : std::nullopt);
  if (!is_text) return std::string();
  return codec::decodeListText(std::move(*data)).text;
}

std::optional<std::string> ListFiles::readJsonDataFromResourceFile(std::string_view name) {
  auto marker = locate(std::string(name) + ".json");
  if (marker && files_.fileExistsAtPath(*marker)) return std::string();
  return forceReadJsonDataFromResourceFile(name);
}

std::optional<std::string> ListFiles::readGroupFile(std::string_view name, std::string* stored) {
  if (stored != nullptr) stored->clear();
  auto path = locate(name);
  if (!path || !files_.fileExistsAtPath(*path)) return std::string();
  auto data = files_.dataWithContentsOfFile(*path);
  if (!data || !platform::isValidUtf8(*data)) return std::string();
  if (stored != nullptr) *stored = *data;
  return codec::decodeListText(std::move(*data)).text;
}

std::optional<std::string> ListFiles::readJsonDataFromGroupFile(std::string_view name, std::string& stored) {
  return readGroupFile(name, &stored);
}

std::optional<std::string> ListFiles::readJsonDataFromGroupFile(std::string_view name) {
  return readGroupFile(name, nullptr);
}

GroupListState ListFiles::inspectGroupFile(std::string_view name) {
  using Kind = GroupListState::Kind;
  auto path = locate(name);
  if (!path || !files_.fileExistsAtPath(*path)) return {Kind::kMissing};
  std::string stored;
  auto plain = readGroupFile(name, &stored);
  if (stored.empty()) {
    // Nothing was read: zero bytes, or a file that cannot be read at all.
    auto data = files_.dataWithContentsOfFile(*path);
    return {data && data->empty() ? Kind::kEmpty : Kind::kNoData};
  }
  if (!holdsListData(plain)) return {Kind::kNoData};
  auto list = parseCallerList(std::move(*plain));
  if (!list) return {Kind::kWaiting, 0, true};
  return {Kind::kWaiting, list->count(), false};
}

const char* describeGroupListKind(GroupListState::Kind kind) {
  switch (kind) {
    case GroupListState::Kind::kMissing:
      return "missing";
    case GroupListState::Kind::kEmpty:
      return "empty";
    case GroupListState::Kind::kNoData:
      return "no data";
    case GroupListState::Kind::kWaiting:
      return "waiting";
  }
  return "missing";
}

}  // namespace calldir::storage

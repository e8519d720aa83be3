#include "device/device_root.h"

#include <simdjson.h>

#include <cstdlib>
#include <filesystem>

#include "base/file_io.h"
#include "base/json_quote.h"

namespace calldir::device {

namespace fs = std::filesystem;
using base::Status;

namespace {

// Description files are a few dozen bytes; anything much larger is not one.
constexpr std::uint64_t kDescriptionLimit = 1 << 20;

// The parsed JSON of a small description file, or no value.
std::optional<simdjson::dom::element> readDescription(simdjson::dom::parser& parser,
                                                      const std::string& path) {
  const auto text = base::readFile(path, {.follow_links = true, .max_bytes = kDescriptionLimit});
  if (!text.ok()) return std::nullopt;
  simdjson::dom::element root;
  if (parser.parse(*text).get(root)) return std::nullopt;
  return root;
}

// The string member `key` of the JSON object in the file at `path`.
std::optional<std::string> stringMember(const std::string& path, const char* key) {
  simdjson::dom::parser parser;
  auto root = readDescription(parser, path);
  std::string_view value;
  if (!root || (*root)[key].get(value)) return std::nullopt;
  return std::string(value);
}

// Writes a description file unless one is there already.
Status writeDescription(const std::string& path, const std::string& content) {
  const auto exists = base::pathExists(path);
  if (!exists.ok()) return exists.status();
  if (*exists) return Status::Ok();
  return base::replaceFile(path, content);
}

}  // namespace

base::Result<std::string> DeviceRoot::resolve(const std::optional<std::string>& flag) {
  if (flag) {
    if (flag->empty()) return Status::InvalidArgument("--root names no folder (it is empty)");
    return *flag;
  }
  if (const char* env = std::getenv("CALLDIR_ROOT"); env != nullptr) {
    if (*env == '\0') return Status::InvalidArgument("$CALLDIR_ROOT names no folder (it is set, but empty)");
    return std::string(env);
  }
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
    return (fs::path(xdg) / "calldir" / "device").string();
  }
  const char* home = std::getenv("HOME");
  return (fs::path(home != nullptr ? home : ".") / ".local" / "share" / "calldir" / "device").string();
}

Status DeviceRoot::checkGroup(const std::string& group) {
  const std::string prefix = "group.";
  if (group.rfind(prefix, 0) != 0 || group.size() == prefix.size()) {
    return Status::InvalidArgument("app group identifier \"" + group +
                                   "\" must begin with \"group.\" followed by a name");
  }
  for (char c : group) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                    c == '-' || c == '_';
    if (!ok) {
      return Status::InvalidArgument("app group identifier \"" + group +
                                     "\" may hold only letters, digits, \".\", \"-\" and \"_\"");
    }
  }
  return Status::Ok();
}

DevicePaths DeviceRoot::pathsFor(const std::string& root, const std::string& group) {
  const fs::path r(root);
  DevicePaths p;
  p.root = root;
  p.container = (r / "AppGroup" / group).string();
  p.settings = (r / "AppGroup" / group / "Library" / "Preferences" / (group + ".sqlite")).string();
  p.bundle = (r / "Extension.appex").string();
  p.resources = (r / "Extension.appex" / "Resources").string();
  p.store = (r / "CallDirectory" / "store.sqlite").string();
  return p;
}

Status DeviceRoot::init(const std::string& root, const std::string& group) {
  if (Status s = checkGroup(group); !s.ok()) return s;
  const std::string marker = (fs::path(root) / "device.json").string();
  const auto marked = base::pathExists(marker);
  if (!marked.ok()) return marked.status();
  if (*marked) {
    auto existing_group = stringMember(marker, "group");
    if (!existing_group) {
      return Status::InvalidArgument(marker + " is not a device description; remove it or pick another root");
    }
    if (*existing_group != group) {
      return Status::InvalidArgument("the device root " + root + " was made for the app group \"" +
                                     *existing_group + "\", not \"" + group + "\"; use --group " +
                                     *existing_group + " or another --root");
    }
  }
  const DevicePaths p = pathsFor(root, group);
  std::error_code ec;
  for (const std::string& dir : {p.container, fs::path(p.settings).parent_path().string(), p.resources,
                                 fs::path(p.store).parent_path().string()}) {
    fs::create_directories(dir, ec);
    if (ec) return Status::IoError("cannot create " + dir + ": " + ec.message());
  }
  const std::string info = std::string(
                               "{\"NSExtension\": {\"NSExtensionPointIdentifier\": "
                               "\"com.apple.callkit.call-directory\", \"NSExtensionPrincipalClass\": ") +
                           base::jsonQuote(kPrincipalClassName) + "}}\n";
  const std::string entitlements =
      "{\"com.apple.security.application-groups\": [" + base::jsonQuote(group) + "]}\n";
  for (const auto& [path, content] : {std::pair{(fs::path(p.bundle) / "Info.json").string(), info},
                                      {(fs::path(p.bundle) / "Entitlements.json").string(), entitlements},
                                      {marker, "{\"group\": " + base::jsonQuote(group) + "}\n"}}) {
    if (Status s = writeDescription(path, content); !s.ok()) return s;
  }
  return Status::Ok();
}

base::Result<DeviceRoot> DeviceRoot::open(const std::string& root) {
  const std::string marker = (fs::path(root) / "device.json").string();
  const auto marked = base::pathExists(marker);
  if (!marked.ok()) return marked.status();
  if (!*marked) {
    return Status::IoError("no device at " + root + " (run `calldir --root " + root + " init` first)");
  }
  auto group = stringMember(marker, "group");
  if (!group || !checkGroup(*group).ok()) {
    return Status::IoError(marker + " does not name a valid app group");
  }
  return DeviceRoot(*group, pathsFor(root, *group));
}

std::vector<std::string> DeviceRoot::entitledGroups() const {
  std::vector<std::string> groups;
  simdjson::dom::parser parser;
  auto root = readDescription(parser, (fs::path(paths_.bundle) / "Entitlements.json").string());
  simdjson::dom::array array;
  if (!root || (*root)["com.apple.security.application-groups"].get(array)) return groups;
  for (auto element : array) {
    std::string_view value;
    if (!element.get(value)) groups.emplace_back(value);
  }
  return groups;
}

std::map<std::string, std::string, std::less<>> DeviceRoot::containers() const {
  std::map<std::string, std::string, std::less<>> out;
  for (const std::string& g : entitledGroups()) out[g] = pathsFor(paths_.root, g).container;
  return out;
}

std::optional<std::string> DeviceRoot::principalClass() const {
  simdjson::dom::parser parser;
  auto root = readDescription(parser, (fs::path(paths_.bundle) / "Info.json").string());
  std::string_view value;
  if (!root || (*root)["NSExtension"]["NSExtensionPrincipalClass"].get(value)) return std::nullopt;
  return std::string(value);
}

bool DeviceRoot::hasBundle() const {
  return base::pathExists((fs::path(paths_.bundle) / "Info.json").string()).valueOr(false);
}

}  // namespace calldir::device

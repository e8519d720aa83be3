#include "platform/device_root.h"

#include <simdjson.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace calldir::platform {

namespace fs = std::filesystem;

Status errnoStatus(const std::string& what, int errno_value) {
  return Status::Error(what + ": " + std::strerror(errno_value));
}

namespace {

std::optional<std::string> readSmallFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream buffer;
  buffer << file.rdbuf();
  return buffer.str();
}

Status writeSmallFile(const std::string& path, const std::string& content) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << content;
  file.close();
  if (!file) return errnoStatus("cannot write " + path, errno);
  return Status::Ok();
}

// The string member `key` of the JSON object in `text`.
std::optional<std::string> stringMember(const std::string& text, const char* key) {
  simdjson::dom::parser parser;
  simdjson::dom::element root;
  if (parser.parse(text).get(root)) return std::nullopt;
  std::string_view value;
  if (root[key].get(value)) return std::nullopt;
  return std::string(value);
}

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::string DeviceRoot::resolve(const std::optional<std::string>& flag) {
  if (flag && !flag->empty()) return *flag;
  if (const char* env = std::getenv("CALLDIR_ROOT"); env != nullptr && *env != '\0') return env;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
    return (fs::path(xdg) / "calldir" / "device").string();
  }
  const char* home = std::getenv("HOME");
  return (fs::path(home != nullptr ? home : ".") / ".local" / "share" / "calldir" / "device").string();
}

Status DeviceRoot::checkGroup(const std::string& group) {
  const std::string prefix = "group.";
  if (group.rfind(prefix, 0) != 0 || group.size() == prefix.size()) {
    return Status::Error("app group identifier \"" + group +
                         "\" must begin with \"group.\" followed by a name");
  }
  for (char c : group) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                    c == '-' || c == '_';
    if (!ok) {
      return Status::Error("app group identifier \"" + group +
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
  if (Status s = checkGroup(group); !s.ok) return s;
  const std::string marker = (fs::path(root) / "device.json").string();
  if (auto existing = readSmallFile(marker)) {
    auto existing_group = stringMember(*existing, "group");
    if (!existing_group)
      return Status::Error(marker + " is not a device description; remove it or pick another root");
    if (*existing_group != group) {
      return Status::Error("the device root " + root + " was made for the app group \"" + *existing_group +
                           "\", not \"" + group + "\"; use --group " + *existing_group +
                           " or another --root");
    }
  }
  const DevicePaths p = pathsFor(root, group);
  std::error_code ec;
  for (const std::string& dir : {p.container, fs::path(p.settings).parent_path().string(), p.resources,
                                 fs::path(p.store).parent_path().string()}) {
    fs::create_directories(dir, ec);
    if (ec) return Status::Error("cannot create " + dir + ": " + ec.message());
  }
  const std::string info = (fs::path(p.bundle) / "Info.json").string();
  if (!fs::exists(info)) {
    if (Status s = writeSmallFile(info, std::string("{\"NSExtension\": {\"NSExtensionPointIdentifier\": "
                                                    "\"com.apple.callkit.call-directory\", "
                                                    "\"NSExtensionPrincipalClass\": \"") +
                                            kPrincipalClassName + "\"}}\n");
        !s.ok) {
      return s;
    }
  }
  const std::string entitlements = (fs::path(p.bundle) / "Entitlements.json").string();
  if (!fs::exists(entitlements)) {
    if (Status s = writeSmallFile(
            entitlements, "{\"com.apple.security.application-groups\": [" + jsonString(group) + "]}\n");
        !s.ok) {
      return s;
    }
  }
  if (!fs::exists(marker)) {
    if (Status s = writeSmallFile(marker, "{\"group\": " + jsonString(group) + "}\n"); !s.ok) return s;
  }
  return Status::Ok();
}

std::optional<DeviceRoot> DeviceRoot::open(const std::string& root, std::string& error) {
  const std::string marker = (fs::path(root) / "device.json").string();
  auto text = readSmallFile(marker);
  if (!text) {
    error = "no device at " + root + " (run `calldir --root " + root + " init` first)";
    return std::nullopt;
  }
  auto group = stringMember(*text, "group");
  if (!group || !checkGroup(*group).ok) {
    error = marker + " does not name a valid app group";
    return std::nullopt;
  }
  return DeviceRoot(*group, pathsFor(root, *group));
}

std::vector<std::string> DeviceRoot::entitledGroups() const {
  std::vector<std::string> groups;
  auto text = readSmallFile((fs::path(paths_.bundle) / "Entitlements.json").string());
  if (!text) return groups;
  simdjson::dom::parser parser;
  simdjson::dom::element root;
  if (parser.parse(*text).get(root)) return groups;
  simdjson::dom::array array;
  if (root["com.apple.security.application-groups"].get(array)) return groups;
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
  auto text = readSmallFile((fs::path(paths_.bundle) / "Info.json").string());
  if (!text) return std::nullopt;
  simdjson::dom::parser parser;
  simdjson::dom::element root;
  if (parser.parse(*text).get(root)) return std::nullopt;
  std::string_view value;
  if (root["NSExtension"]["NSExtensionPrincipalClass"].get(value)) return std::nullopt;
  return std::string(value);
}

bool DeviceRoot::hasBundle() const { return fs::exists(fs::path(paths_.bundle) / "Info.json"); }

}  // namespace calldir::platform

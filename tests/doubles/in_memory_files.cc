#include "doubles/in_memory_files.h"

namespace calldir::doubles {

std::optional<std::string> InMemoryFileManager::containerURLForSecurityApplicationGroupIdentifier(
    std::string_view group) {
  if (entitled_groups.count(std::string(group)) == 0) return std::nullopt;
  return "/container/" + std::string(group);
}

bool InMemoryFileManager::fileExistsAtPath(const std::string& path) {
  return files.count(path) != 0 || links.count(path) != 0;
}

bool InMemoryFileManager::createFileAtPath(const std::string& path) {
  trace.push_back("create " + path);
  if (fileExistsAtPath(path)) return false;
  files[path] = "";
  return true;
}

std::optional<std::string> InMemoryFileManager::dataWithContentsOfFile(const std::string& path) {
  auto it = files.find(path);
  if (it == files.end()) return std::nullopt;
  return it->second;
}

bool InMemoryFileManager::writeToFile(const std::string& path, std::string_view data) {
  trace.push_back("write " + path + " (" + std::to_string(data.size()) + " bytes)");
  if (links.count(path) != 0) return false;
  files[path] = std::string(data);
  return true;
}

bool InMemoryFileManager::truncateFileIfUnchanged(const std::string& path, std::string_view expected) {
  for (const auto& [p, content] : replace_before_truncate) files[p] = content;
  replace_before_truncate.clear();
  trace.push_back("truncate " + path);
  if (links.count(path) != 0) return false;
  auto it = files.find(path);
  if (it == files.end() || it->second != expected) return false;
  it->second.clear();
  return true;
}

std::optional<std::string> InMemoryFileManager::pathForResource(std::string_view name,
                                                                std::string_view type) {
  std::string path = "/bundle/" + std::string(name);
  if (!type.empty()) path += "." + std::string(type);
  if (files.count(path) == 0) return std::nullopt;
  return path;
}

}  // namespace calldir::doubles

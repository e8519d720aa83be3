// Files and bundle resources kept in memory, for tests and benchmarks.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files.h"

namespace calldir::doubles {

// Files in memory for tests, recording what was asked: `create PATH`,
// `write PATH (N bytes)`, `truncate PATH`, in order. Containers are
// "/container/<group>" for the entitled groups; resources live under
// "/bundle/".
class InMemoryFileManager : public platform::FileManager, public platform::Bundle {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> entitled_groups;
  std::set<std::string> links;  // paths that are symbolic links
  std::vector<std::string> trace;

  std::optional<std::string> containerURLForSecurityApplicationGroupIdentifier(
      std::string_view group) override;
  bool fileExistsAtPath(const std::string& path) override;
  bool createFileAtPath(const std::string& path) override;
  std::optional<std::string> dataWithContentsOfFile(const std::string& path) override;
  bool writeToFile(const std::string& path, std::string_view data) override;
  bool truncateFileIfUnchanged(const std::string& path, std::string_view expected) override;
  std::optional<std::string> pathForResource(std::string_view name, std::string_view type) override;

  // Hook run just before a conditional truncation reads the file: lets a
  // test replace the file "during" the request.
  std::vector<std::pair<std::string, std::string>> replace_before_truncate;
};

}  // namespace calldir::doubles

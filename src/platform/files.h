// File access as the extension sees it (the file manager, bundle and URL
// stand-ins): the app group's container, existence tests, creating an empty
// file, whole-file reads and in-place writes, and resource lookup.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace calldir::platform {

// The largest file the extension reads: 1 GiB, well above the list text of
// ten million entries (about 670 MB).
inline constexpr std::uint64_t kMaxFileBytes = std::uint64_t{1} << 30;

class FileManager {
 public:
  virtual ~FileManager() = default;

  // The container directory of the app group `group`, or no value when the
  // process is not entitled to that group.
  virtual std::optional<std::string> containerURLForSecurityApplicationGroupIdentifier(
      std::string_view group) = 0;

  virtual bool fileExistsAtPath(const std::string& path) = 0;

  // Creates an empty file with default attributes. Never follows a symbolic
  // link and never truncates an existing file; false when nothing was made.
  virtual bool createFileAtPath(const std::string& path) = 0;

  // The whole file, or no value when it cannot be read. A symbolic link, a
  // directory, a FIFO or anything else that is not a regular file cannot be
  // read, and neither can a file larger than kMaxFileBytes: it is refused
  // before a byte of it is read, and never waited on.
  virtual std::optional<std::string> dataWithContentsOfFile(const std::string& path) = 0;

  // Replaces the file's bytes in place (not through a temporary file), and
  // syncs them. A symbolic link at `path` is never followed: the write then
  // does nothing and returns false.
  virtual bool writeToFile(const std::string& path, std::string_view data) = 0;

  // Empties the file in place and syncs it, but only while it still holds
  // exactly `expected`; false when it holds something else, is missing, or
  // is a symbolic link.
  virtual bool truncateFileIfUnchanged(const std::string& path, std::string_view expected) = 0;
};

// The extension's own bundle resources.
class Bundle {
 public:
  virtual ~Bundle() = default;
  // Path of the resource `name`.`type`, or no value when there is none.
  virtual std::optional<std::string> pathForResource(std::string_view name, std::string_view type) = 0;
};

// Appends a file name to a directory path.
std::string appendingPathComponent(std::string_view directory, std::string_view name);

// The real file system. Containers are given per group; an entitlement
// absent from the map means no container.
class PosixFileManager : public FileManager {
 public:
  explicit PosixFileManager(std::map<std::string, std::string, std::less<>> containers)
      : containers_(std::move(containers)) {}
  std::optional<std::string> containerURLForSecurityApplicationGroupIdentifier(
      std::string_view group) override;
  bool fileExistsAtPath(const std::string& path) override;
  bool createFileAtPath(const std::string& path) override;
  std::optional<std::string> dataWithContentsOfFile(const std::string& path) override;
  bool writeToFile(const std::string& path, std::string_view data) override;
  bool truncateFileIfUnchanged(const std::string& path, std::string_view expected) override;

 private:
  std::map<std::string, std::string, std::less<>> containers_;
};

// Resources in one directory of the real file system.
class DirectoryBundle : public Bundle {
 public:
  explicit DirectoryBundle(std::string resources) : resources_(std::move(resources)) {}
  std::optional<std::string> pathForResource(std::string_view name, std::string_view type) override;

 private:
  std::string resources_;
};

}  // namespace calldir::platform

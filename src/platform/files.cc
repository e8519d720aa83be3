#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "base/fd.h"
#include "base/file_io.h"
#include "base/system.h"

namespace calldir::platform {

std::string appendingPathComponent(std::string_view directory, std::string_view name) {
  std::string path(directory);
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
  return path;
}

std::optional<std::string> PosixFileManager::containerURLForSecurityApplicationGroupIdentifier(
    std::string_view group) {
  auto it = containers_.find(group);
  if (it == containers_.end()) return std::nullopt;
  return it->second;
}

bool PosixFileManager::fileExistsAtPath(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool PosixFileManager::createFileAtPath(const std::string& path) {
  base::FileDescriptor fd(
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644));
  return fd.ok();
}

std::optional<std::string> PosixFileManager::dataWithContentsOfFile(const std::string& path) {
  auto data = base::readFile(path, {.follow_links = false, .max_bytes = kMaxFileBytes});
  if (!data.ok()) return std::nullopt;
  return std::move(data).value();
}

bool PosixFileManager::writeToFile(const std::string& path, std::string_view data) {
  base::FileDescriptor fd(
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644));
  if (!fd.ok()) return false;
  return base::writeFully(fd.get(), data) && base::system::syncData(fd.get()) == 0;
}

bool PosixFileManager::truncateFileIfUnchanged(const std::string& path, std::string_view expected) {
  base::FileDescriptor fd(::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat st {};
  if (!fd.ok() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (static_cast<std::uint64_t>(st.st_size) != expected.size()) return false;
  const auto current = base::readDescriptor(fd.get(), path, expected.size());
  if (!current.ok() || *current != expected) return false;
  // Emptied durably: a list applied and emptied must not come back after a
  // power cut, to be applied again over later requests.
  return ::ftruncate(fd.get(), 0) == 0 && base::system::syncData(fd.get()) == 0;
}

std::optional<std::string> DirectoryBundle::pathForResource(std::string_view name, std::string_view type) {
  std::string file(name);
  if (!type.empty()) file += "." + std::string(type);
  std::string path = appendingPathComponent(resources_, file);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return path;
}

}  // namespace calldir::platform

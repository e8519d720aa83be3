#include "platform/files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/fd.h"

namespace calldir::platform {

std::string appendingPathComponent(std::string_view directory, std::string_view name) {
  std::string path(directory);
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
  return path;
}

namespace {

// Large lists are read into one big buffer; backing it with huge pages saves
// most of the page faults of touching it. Only a hint: failure changes nothing.
void adviseHugePages(char* data, std::size_t size) {
  constexpr std::uintptr_t kHuge = 2u << 20;
  if (size < 4 * kHuge) return;
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kHuge - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

std::optional<std::string> readAll(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  std::string data;
  // Room for the parser's padding later on, so the buffer never moves again.
  data.reserve(static_cast<std::size_t>(st.st_size) + 64);
  adviseHugePages(data.data(), data.capacity());
  char chunk[1 << 16];
  std::size_t expected = static_cast<std::size_t>(st.st_size);
  data.resize(expected);
  std::size_t got = 0;
  while (got < expected) {
    const ssize_t n = ::read(fd, data.data() + got, expected - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  data.resize(got);
  for (;;) {  // the file may have grown since fstat
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    data.append(chunk, static_cast<std::size_t>(n));
  }
  return data;
}

}  // namespace

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
  FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  return fd.ok();
}

std::optional<std::string> PosixFileManager::dataWithContentsOfFile(const std::string& path) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.ok()) return std::nullopt;
  return readAll(fd.get());
}

bool PosixFileManager::writeToFile(const std::string& path, std::string_view data) {
  FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (!fd.ok()) return false;
  return writeFully(fd.get(), data);
}

bool PosixFileManager::truncateFileIfUnchanged(const std::string& path, std::string_view expected) {
  FileDescriptor fd(::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.ok()) return false;
  auto current = readAll(fd.get());
  if (!current || *current != expected) return false;
  return ::ftruncate(fd.get(), 0) == 0;
}

std::optional<std::string> DirectoryBundle::pathForResource(std::string_view name, std::string_view type) {
  std::string file(name);
  if (!type.empty()) file += "." + std::string(type);
  std::string path = appendingPathComponent(resources_, file);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return path;
}

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

}  // namespace calldir::platform

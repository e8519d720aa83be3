// The records of the system-call log (syscall_log.cc), shared by the writer
// and the reader. A record is a header line
//   "<op> <inode> <offset> <size> <path length> <other length>\n"
// followed by the path, the other path (a rename's target) and, for a
// write, the bytes written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calldir::powerloss {

enum class Op : char {
  kCreate = 'C',         // a new file or folder named `path` (inode)
  kWrite = 'W',          // `size` bytes at `offset` of inode
  kTruncate = 'T',       // inode cut to `offset` bytes
  kSync = 'S',           // inode's data made durable (other: the program that synced)
  kSyncDirectory = 'D',  // the names in the folder `path` made durable (other: the program)
  kRename = 'R',         // `path` renamed to `other`
  kRemove = 'U',         // the name `path` removed
  kMakeDirectory = 'M',  // the folder `path` made
  kBegin = 'B',          // a step of the scenario starts (offset: its number); written by the test
  kEnd = 'E',            // a step ended (offset: its number, inode: its exit status); written by the test
};

inline std::string recordHeader(Op op, std::uint64_t ino, std::int64_t offset, std::size_t size,
                                const std::string& path, const std::string& other) {
  char header[128];
  const int n = std::snprintf(header, sizeof header, "%c %llu %lld %zu %zu %zu\n", static_cast<char>(op),
                              static_cast<unsigned long long>(ino), static_cast<long long>(offset), size,
                              path.size(), other.size());
  std::string out(header, static_cast<std::size_t>(n));
  out += path;
  out += other;
  return out;
}

struct Record {
  Op op;
  std::uint64_t ino = 0;
  std::int64_t offset = 0;
  std::string path;
  std::string other;
  std::string data;
};

// Every record of `log`; no value when it is cut short or malformed.
std::optional<std::vector<Record>> parseRecords(std::string_view log);

}  // namespace calldir::powerloss

// Whole-file reads and writes: the one reader that every part of calldir
// uses, from a list of a gigabyte to a description file of forty bytes, and
// the one writer that replaces a file without ever leaving half of it behind
// or writing through a symbolic link.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

#include "base/fd.h"
#include "base/result.h"
#include "base/status.h"

namespace calldir::base {

struct ReadOptions {
  // False: a symbolic link at the path is refused instead of followed.
  bool follow_links = true;
  // A file larger than this is refused without being read.
  std::uint64_t max_bytes = std::numeric_limits<std::uint64_t>::max();
  // False: a FIFO or device is read to its end like a pipe (a command
  // line's input, `<(...)`), and only a directory is refused.
  bool regular_only = true;
};

// The whole regular file at `path`. Anything that is not a regular file (a
// directory, FIFO, device or socket) is refused at once, never waited on,
// unless the options take streams.
// Every error is an I/O error that names the path. The text has room for a
// parser's padding after it, so that parsing never copies it again.
Result<std::string> readFile(const std::string& path, const ReadOptions& options = {});

// All that `fd` gives up to its end: a regular file, a pipe or a terminal.
// More than `max_bytes` is refused. Errors name the descriptor as `name`.
Result<std::string> readDescriptor(int fd, std::string_view name,
                                   std::uint64_t max_bytes = std::numeric_limits<std::uint64_t>::max());

// Whether anything is at `path` (a symbolic link counts, and is not
// followed); an I/O error naming the path when that cannot be told, as when
// a folder on the way may not be searched.
Result<bool> pathExists(const std::string& path);

// A new file written in pieces that replaces `path` only when committed, as
// replaceFile does; dropped without a commit, it leaves `path` as it was.
class FileReplacement {
 public:
  static Result<FileReplacement> create(const std::string& path);
  FileReplacement(FileReplacement&& other) noexcept
      : path_(std::move(other.path_)),
        temporary_(std::exchange(other.temporary_, {})),
        fd_(std::move(other.fd_)) {}
  FileReplacement& operator=(FileReplacement&&) = delete;
  ~FileReplacement();

  Status write(std::string_view data);
  // Makes the new file durable and renames it over `path`.
  Status commit();

 private:
  FileReplacement() = default;
  Status abandon(int error);

  std::string path_;
  std::string temporary_;  // empty once committed or given up
  FileDescriptor fd_;
};

// Replaces the file at `path` with `data`: the bytes go into a new file
// beside it (created exclusively, so never through a link), are made
// durable, and the new file is renamed over `path`. A reader sees the old
// file or the new one, never a mix; on failure `path` is unchanged.
Status replaceFile(const std::string& path, std::string_view data);

}  // namespace calldir::base

// What a power cut leaves of a folder, rebuilt from the record of every call
// that changed it (syscall_log.cc), under two models of the disk:
//
// - the POSIX minimum: a file's bytes survive only as its last fsync or
//   fdatasync left them, and a name made, renamed or removed survives only
//   once its folder was synced;
// - a write-back cache that keeps every change of names in order but loses
//   whatever bytes were not synced (ext4's data=writeback, most caches).
//
// Either way a file never synced since it was made is empty, and SQLite's
// shared-memory files (never synced, rebuilt from the log) are absent.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "powerloss/syscall_record.h"

namespace calldir::powerloss {

enum class DiskModel { kPosixMinimum, kWriteBack };

// Relative path to the bytes of a file, or no value for a folder.
using Tree = std::map<std::string, std::optional<std::string>>;

class PowerCut {
 public:
  // `root` as it is now, every byte of it taken as durable: made before the
  // calls to be recorded run.
  explicit PowerCut(const std::string& root);

  // The calls that ran since.
  void setRecords(std::vector<Record> records) { records_ = std::move(records); }
  const std::vector<Record>& records() const { return records_; }

  // What the folder holds after a cut just before record `cut`, under
  // `model`; the syncs `lost` picks out are taken as never done.
  Tree cutAt(std::size_t cut, DiskModel model,
             const std::function<bool(const Record&)>& lost = nullptr) const;

  // Writes `tree` into the empty folder `directory`.
  static void materialize(const Tree& tree, const std::string& directory);

 private:
  std::string root_;
  std::vector<Record> records_;
  std::map<std::string, std::uint64_t> names_;  // relative path to file (inode), of the folder at first
  std::map<std::string, bool> folders_;         // relative paths of its folders
  std::map<std::uint64_t, std::string> data_;   // inode to bytes, at first
};

}  // namespace calldir::powerloss

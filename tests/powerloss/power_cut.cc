#include "powerloss/power_cut.h"

#include <sys/stat.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace calldir::powerloss {

namespace fs = std::filesystem;

namespace {

bool readNumber(std::string_view& text, auto& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data() + text.size() || (*end != ' ' && *end != '\n')) return false;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()) + 1);
  return true;
}

std::string parentOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

struct Node {
  std::uint64_t id = 0;
  bool folder = false;
};

// The disk as the records so far left it: the names and bytes now, and what
// of them is durable.
struct Disk {
  std::map<std::string, Node> names, durable_names;
  std::map<std::uint64_t, std::string> bytes, durable_bytes;
  std::map<std::uint64_t, std::uint64_t> live;  // inode to the file it is now
  std::uint64_t next_id = std::uint64_t{1} << 62;

  std::string* file(std::uint64_t ino) {
    auto it = live.find(ino);
    return it == live.end() ? nullptr : &bytes[it->second];
  }

  void syncFolder(const std::string& folder) {
    std::erase_if(durable_names, [&](const auto& entry) { return parentOf(entry.first) == folder; });
    for (const auto& [name, node] : names) {
      if (parentOf(name) == folder) durable_names[name] = node;
    }
  }
};

}  // namespace

std::optional<std::vector<Record>> parseRecords(std::string_view log) {
  std::vector<Record> records;
  while (!log.empty()) {
    Record r;
    if (log.size() < 2 || log[1] != ' ') return std::nullopt;
    r.op = static_cast<Op>(log[0]);
    log.remove_prefix(2);
    std::size_t size = 0, path_size = 0, other_size = 0;
    if (!readNumber(log, r.ino) || !readNumber(log, r.offset) || !readNumber(log, size) ||
        !readNumber(log, path_size) || !readNumber(log, other_size)) {
      return std::nullopt;
    }
    if (log.size() < path_size + other_size + size) return std::nullopt;
    r.path = log.substr(0, path_size);
    r.other = log.substr(path_size, other_size);
    r.data = log.substr(path_size + other_size, size);
    log.remove_prefix(path_size + other_size + size);
    records.push_back(std::move(r));
  }
  return records;
}

PowerCut::PowerCut(const std::string& root) : root_(root) {
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(entry.path(), root).string();
    if (entry.is_directory()) {
      folders_[relative] = true;
    } else if (entry.is_regular_file() && !relative.ends_with("-shm")) {
      struct stat st {};
      ::lstat(entry.path().c_str(), &st);
      names_[relative] = st.st_ino;
      std::ifstream in(entry.path(), std::ios::binary);
      std::ostringstream bytes;
      bytes << in.rdbuf();
      data_[st.st_ino] = bytes.str();
    }
  }
}

Tree PowerCut::cutAt(std::size_t cut, DiskModel model, const std::function<bool(const Record&)>& lost) const {
  Disk disk;
  for (const auto& [name, ino] : names_) disk.names[name] = Node{ino, false};
  for (const auto& [name, folder] : folders_) disk.names[name] = Node{0, true};
  disk.durable_names = disk.names;
  for (const auto& [ino, bytes] : data_) disk.live[ino] = ino;
  disk.bytes = data_;
  disk.durable_bytes = data_;
  auto relative = [&](const std::string& path) {
    return path.size() > root_.size() ? path.substr(root_.size() + 1) : std::string();
  };
  for (std::size_t i = 0; i < cut && i < records_.size(); ++i) {
    const Record& r = records_[i];
    const bool sync_lost = lost && lost(r);
    switch (r.op) {
      case Op::kCreate: {
        const std::uint64_t id = disk.next_id++;
        disk.live[r.ino] = id;
        disk.bytes[id] = std::string();
        disk.names[relative(r.path)] = Node{id, false};
        break;
      }
      case Op::kWrite:
        if (std::string* bytes = disk.file(r.ino)) {
          const auto offset = static_cast<std::size_t>(r.offset);
          if (bytes->size() < offset + r.data.size()) bytes->resize(offset + r.data.size(), '\0');
          bytes->replace(offset, r.data.size(), r.data);
        }
        break;
      case Op::kTruncate:
        if (std::string* bytes = disk.file(r.ino)) bytes->resize(static_cast<std::size_t>(r.offset), '\0');
        break;
      case Op::kSync:
        if (auto it = disk.live.find(r.ino); it != disk.live.end() && !sync_lost) {
          disk.durable_bytes[it->second] = disk.bytes[it->second];
        }
        break;
      case Op::kSyncDirectory:
        if (!sync_lost) disk.syncFolder(relative(r.path));
        break;
      case Op::kRename:
        if (auto it = disk.names.find(relative(r.path)); it != disk.names.end()) {
          const Node node = it->second;
          disk.names.erase(it);
          disk.names[relative(r.other)] = node;
        }
        break;
      case Op::kRemove:
        disk.names.erase(relative(r.path));
        break;
      case Op::kMakeDirectory:
        disk.names[relative(r.path)] = Node{0, true};
        break;
      case Op::kBegin:
      case Op::kEnd:
        break;
    }
  }
  Tree tree;
  for (const auto& [name, node] : model == DiskModel::kPosixMinimum ? disk.durable_names : disk.names) {
    if (node.folder) {
      tree[name] = std::nullopt;
    } else {
      auto it = disk.durable_bytes.find(node.id);
      tree[name] = it == disk.durable_bytes.end() ? std::string() : it->second;
    }
  }
  return tree;
}

void PowerCut::materialize(const Tree& tree, const std::string& directory) {
  fs::create_directories(directory);
  for (const auto& [name, bytes] : tree) {
    const fs::path path = fs::path(directory) / name;
    if (!bytes) {
      fs::create_directories(path);
      continue;
    }
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << *bytes;
  }
}

}  // namespace calldir::powerloss

#include "telephony/generation_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>

#include "base/fd.h"
#include "base/system.h"

namespace calldir::telephony {

namespace sqlite = base::sqlite;
using base::Status;

namespace {

constexpr std::string_view kPrefix = "entries-";
constexpr std::string_view kSuffix = ".sqlite";

}  // namespace

std::string generationPath(const std::string& directory, std::int64_t generation) {
  return directory + "/" + std::string(kPrefix) + std::to_string(generation) + std::string(kSuffix);
}

std::optional<std::int64_t> generationOfFileName(std::string_view name) {
  if (name.substr(0, kPrefix.size()) != kPrefix) return std::nullopt;
  name.remove_prefix(kPrefix.size());
  std::int64_t generation = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), generation);
  if (error != std::errc() || end == name.data()) return std::nullopt;
  const std::string_view rest(end, static_cast<std::size_t>(name.data() + name.size() - end));
  if (rest.substr(0, kSuffix.size()) != kSuffix) return std::nullopt;
  return generation;
}

void removeStrayGenerations(const std::string& directory, std::int64_t current) {
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return;
  while (dirent* entry = ::readdir(dir)) {
    const auto generation = generationOfFileName(entry->d_name);
    if (generation && *generation != current) ::unlink((directory + "/" + entry->d_name).c_str());
  }
  ::closedir(dir);
}

base::Result<sqlite::Connection> openGeneration(const std::string& path) {
  sqlite3* raw = nullptr;
  const std::string uri = sqlite::fileUri(path) + "?immutable=1";
  const int rc = sqlite3_open_v2(uri.c_str(), &raw,
                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
  sqlite::Connection db(raw);
  if (rc != SQLITE_OK) return sqlite::error(raw, "cannot open " + path);
  // Reading the schema reads the header: a file cut short, or one that is no
  // database, fails here rather than in the middle of a lookup.
  sqlite::Statement tables(db.get(),
                           "SELECT count(*) FROM sqlite_master WHERE name IN "
                           "('identification', 'more_labels', 'blocking')");
  if (!tables.valid() || tables.step() != SQLITE_ROW) return sqlite::error(db.get(), "cannot read " + path);
  if (tables.columnInt64(0) != 3)
    return Status::IoError("cannot read " + path + ": it holds no entries tables");
  return db;
}

Status syncPath(const std::string& path, bool directory) {
  base::FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | (directory ? O_DIRECTORY : 0)));
  // A folder's names by fsync; a file's data as every durable file's is.
  const int synced = !fd.ok() ? -1 : directory ? ::fsync(fd.get()) : base::system::syncData(fd.get());
  if (synced != 0) return base::errnoStatus("cannot make " + path + " durable", errno);
  return Status::Ok();
}

Status copyFile(const std::string& from, const std::string& to) {
  base::FileDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.ok()) return base::errnoStatus("cannot read " + from, errno);
  base::FileDescriptor out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (!out.ok()) return base::errnoStatus("cannot create " + to, errno);
  return base::system::copyRest(in.get(), out.get(), from);
}

}  // namespace calldir::telephony

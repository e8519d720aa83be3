// Helpers shared by the tests: temporary folders, files, and running commands.
#pragma once

#include <filesystem>
#include <string>

namespace calldir::testing {

// A fresh folder under the system's temporary folder, removed on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// `source` seen read-only at `view` (a read-only bind mount), for as long as
// this lives; `ok()` is false where mounting is not allowed (not root).
class ReadOnlyView {
 public:
  ReadOnlyView(const std::string& source, const std::string& view);
  ~ReadOnlyView();
  ReadOnlyView(const ReadOnlyView&) = delete;
  ReadOnlyView& operator=(const ReadOnlyView&) = delete;
  bool ok() const { return mounted_; }

 private:
  std::string view_;
  bool mounted_ = false;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& data);

struct CommandResult {
  int status = -1;  // exit status, or -1 when the command did not exit normally
  std::string out;  // standard output
};

// Runs `command` with /bin/sh and collects its standard output.
CommandResult runCommand(const std::string& command);

// Quotes `text` for /bin/sh.
std::string shellQuote(const std::string& text);

// Random bytes of `length`, reproducible for a seed.
std::string randomBytes(std::size_t length, unsigned seed);

// A plain caller list of `count` entries with ascending numbers, by default
// valid Korean mobile numbers (+82 10-2000-0001 on).
std::string sampleCallerList(std::size_t count, long long first_number = 821020000001LL);

// Lowercase hex of `bytes`.
std::string toHex(const std::string& bytes);

}  // namespace calldir::testing

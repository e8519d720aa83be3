#include "test_util.h"

#include <sys/mount.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace calldir::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "calldir-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

// A bind mount is Linux's; elsewhere no view is made and the tests that
// need one are skipped.
ReadOnlyView::ReadOnlyView(const std::string& source, const std::string& view) : view_(view) {
  std::filesystem::create_directories(view);
#if defined(__linux__)
  if (::mount(source.c_str(), view.c_str(), nullptr, MS_BIND, nullptr) != 0) return;
  mounted_ = true;
  if (::mount(nullptr, view.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
    ::umount(view.c_str());
    mounted_ = false;
  }
#else
  (void)source;
#endif
}

ReadOnlyView::~ReadOnlyView() {
#if defined(__linux__)
  if (mounted_) ::umount2(view_.c_str(), MNT_DETACH);
#endif
}

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << file.rdbuf();
  return buffer.str();
}

void writeFile(const std::string& path, const std::string& data) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << data;
}

CommandResult runCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[65536];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string shellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::string randomBytes(std::size_t length, unsigned seed) {
  std::mt19937 engine(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string out(length, '\0');
  for (char& c : out) c = static_cast<char>(byte(engine));
  return out;
}

std::string sampleCallerList(std::size_t count, long long first_number) {
  std::string out = "[";
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) out += ",";
    out += "{\"number\":\"" + std::to_string(first_number + static_cast<long long>(i)) +
           "\",\"name\":\"Caller " + std::to_string(i) + "\"}";
  }
  return out + "]";
}

std::string toHex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

}  // namespace calldir::testing

// The layers of src/ include only what lies below them: a file that reaches
// up a floor fails here, naming the file and the include.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>

namespace calldir {
namespace {

// Each folder of src/ and the folders its files may include (its own among them).
const std::map<std::string, std::set<std::string>>& allowedIncludes() {
  static const std::map<std::string, std::set<std::string>> kAllowed = [] {
    std::map<std::string, std::set<std::string>> layers = {
        {"base", {}},
        {"platform", {"base"}},
        {"codec", {"base", "platform"}},
        {"storage", {"base", "platform", "codec"}},
        {"handler", {"base", "platform", "codec", "storage"}},
        {"wire", {"base", "platform"}},
        {"device", {"base", "platform", "wire"}},
        {"telephony", {"base", "platform", "wire", "device"}},
        {"lists", {"base", "platform", "codec", "storage"}},
        {"cli", {"base", "platform", "codec", "storage", "handler", "wire", "device", "telephony", "lists"}},
    };
    // The command line's own folders: what the commands share, and the
    // commands (checked further below).
    layers["common"] = layers["cli"];
    layers["common"].insert("cli");
    layers["commands"] = layers["common"];
    for (auto& [folder, below] : layers) below.insert(folder);
    return layers;
  }();
  return kAllowed;
}

TEST(Layering, EveryIncludePointsDown) {
  const std::filesystem::path src = std::filesystem::path(CALLDIR_SOURCE_DIR) / "src";
  const std::regex include(R"re(^\s*#\s*include\s+"([a-z_]+)/)re");
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file() || entry.path().parent_path() == src) continue;
    const std::string folder = entry.path().parent_path().filename().string();
    const auto allowed = allowedIncludes().find(folder);
    ASSERT_NE(allowed, allowedIncludes().end()) << "a folder without a layer: " << folder;
    ++files;
    std::ifstream in(entry.path());
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
      std::smatch match;
      if (std::regex_search(line, match, include)) {
        EXPECT_TRUE(allowed->second.count(match[1].str()))
            << entry.path().string() << ":" << number << " includes " << match[1] << "/, a floor above "
            << folder;
      }
    }
  }
  EXPECT_GT(files, 50u);
}

// A command's file includes no other command's, and what the commands share
// includes none: a command is changed in one place.
TEST(Layering, NoCommandIncludesAnother) {
  const std::filesystem::path cli = std::filesystem::path(CALLDIR_SOURCE_DIR) / "src" / "cli";
  const std::regex include(R"re(^\s*#\s*include\s+"cli/commands/([a-z_]+)\.h")re");
  std::size_t commands = 0;
  for (const char* folder : {"commands", "common"}) {
    for (const auto& entry : std::filesystem::directory_iterator(cli / folder)) {
      commands += folder == std::string("commands");
      std::ifstream in(entry.path());
      std::string line;
      for (int number = 1; std::getline(in, line); ++number) {
        std::smatch match;
        if (!std::regex_search(line, match, include)) continue;
        EXPECT_TRUE(folder == std::string("commands") && match[1] == entry.path().stem().string())
            << entry.path().string() << ":" << number << " includes the command " << match[1];
      }
    }
  }
  EXPECT_GT(commands, 20u);
}

}  // namespace
}  // namespace calldir

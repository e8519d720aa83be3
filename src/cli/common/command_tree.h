// The command tree of calldir as plain data, for what is made from it: shell
// completion scripts and the nearest command to a mistyped one.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calldir::cli {

struct CommandSpec {
  std::string name;
  std::vector<std::string> options;  // "--json", "-o", ...
  std::vector<CommandSpec> commands;
};

// A completion script for `shell` ("bash", "zsh" or "fish") of the program
// `root.name`; no value for another shell.
std::optional<std::string> completionScript(const CommandSpec& root, std::string_view shell);

// The name in `names` closest to `word` by edit distance, when it is close
// enough to be a likely typing mistake.
std::optional<std::string> nearestName(const std::vector<std::string>& names, std::string_view word);

}  // namespace calldir::cli

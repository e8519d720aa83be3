#include "cli/common/command_tree.h"

#include <algorithm>
#include <numeric>

namespace calldir::cli {

namespace {

std::string joined(const std::vector<std::string>& words) {
  std::string out;
  for (const auto& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

std::vector<std::string> names(const CommandSpec& command) {
  std::vector<std::string> out;
  for (const auto& c : command.commands) out.push_back(c.name);
  return out;
}

// One `case` arm per command: the words completed after its path.
void bashCases(const CommandSpec& command, const std::string& path, std::string& out) {
  std::vector<std::string> words = names(command);
  words.insert(words.end(), command.options.begin(), command.options.end());
  out += "    \"" + path + "\") words=\"" + joined(words) + "\" ;;\n";
  for (const auto& c : command.commands) bashCases(c, path + (path.empty() ? "" : " ") + c.name, out);
}

std::string bash(const CommandSpec& root) {
  const std::string fn = "_" + root.name + "_complete";
  std::string out =
      "# bash completion for " + root.name + "; load with: source <(" + root.name + " completion bash)\n";
  out += fn + "() {\n  local cur=\"${COMP_WORDS[COMP_CWORD]}\" path=\"\" words i\n";
  out += "  for ((i = 1; i < COMP_CWORD; i++)); do\n    case \"${COMP_WORDS[i]}\" in\n      -*) ;;\n";
  out += "      *) words=$(" + fn + "_words \"$path\")\n";
  out +=
      "         [[ \" $words \" == *\" ${COMP_WORDS[i]} \"* ]] && path=\"${path:+$path }${COMP_WORDS[i]}\" "
      ";;\n";
  out += "    esac\n  done\n  words=$(" + fn + "_words \"$path\")\n";
  out += "  COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n}\n";
  out += fn + "_words() {\n  local words=\"\"\n  case \"$1\" in\n";
  bashCases(root, "", out);
  out += "  esac\n  echo \"$words\"\n}\ncomplete -o default -F " + fn + " " + root.name + "\n";
  return out;
}

void fishLines(const CommandSpec& command, const std::vector<std::string>& path, const std::string& program,
               std::string& out) {
  // The condition: every word of the path seen, and none of the children yet.
  std::string condition =
      path.empty() ? "__fish_use_subcommand" : "__fish_seen_subcommand_from " + path.back();
  if (!path.empty() && !command.commands.empty()) {
    condition += "; and not __fish_seen_subcommand_from " + joined(names(command));
  }
  for (const auto& c : command.commands) {
    out += "complete -c " + program + " -f -n '" + condition + "' -a " + c.name + "\n";
  }
  for (const auto& option : command.options) {
    const bool long_option = option.rfind("--", 0) == 0;
    out += "complete -c " + program + " -n '" + condition + "' " + (long_option ? "-l " : "-s ") +
           option.substr(long_option ? 2 : 1) + "\n";
  }
  for (const auto& c : command.commands) {
    std::vector<std::string> deeper = path;
    deeper.push_back(c.name);
    fishLines(c, deeper, program, out);
  }
}

}  // namespace

std::optional<std::string> completionScript(const CommandSpec& root, std::string_view shell) {
  if (shell == "bash") return bash(root);
  if (shell == "zsh") {
    return "# zsh completion for " + root.name + "; load with: source <(" + root.name + " completion zsh)\n" +
           "autoload -U +X bashcompinit && bashcompinit\n" + bash(root);
  }
  if (shell == "fish") {
    std::string out =
        "# fish completion for " + root.name + "; load with: " + root.name + " completion fish | source\n";
    fishLines(root, {}, root.name, out);
    return out;
  }
  return std::nullopt;
}

std::optional<std::string> nearestName(const std::vector<std::string>& candidates, std::string_view word) {
  std::optional<std::string> best;
  std::size_t best_distance = 0;
  for (const auto& name : candidates) {
    // Levenshtein distance, one row at a time.
    std::vector<std::size_t> row(word.size() + 1);
    std::iota(row.begin(), row.end(), 0);
    for (std::size_t i = 1; i <= name.size(); ++i) {
      std::size_t diagonal = row[0];
      row[0] = i;
      for (std::size_t j = 1; j <= word.size(); ++j) {
        const std::size_t up = row[j];
        row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (name[i - 1] == word[j - 1] ? 0 : 1)});
        diagonal = up;
      }
    }
    const std::size_t distance = row[word.size()];
    if (!best || distance < best_distance) {
      best = name;
      best_distance = distance;
    }
  }
  if (best && best_distance <= std::max<std::size_t>(2, word.size() / 3)) return best;
  return std::nullopt;
}

}  // namespace calldir::cli

#include "cli/commands/completion.h"

#include <ostream>

#include "cli/common/help.h"

namespace calldir::cli {

void declareCompletion(CLI::App& command, CompletionOptions& options) {
  options.command = &command;
  command.add_option("SHELL", options.shell)->required()->check(CLI::IsMember({"bash", "zsh", "fish"}));
}

int runCompletion(const CompletionOptions& options, Io& io) {
  const CLI::App* root = options.command;
  while (root->get_parent() != nullptr) root = root->get_parent();
  CommandSpec spec = specOf(*root);
  spec.name = "calldir";
  io.out << completionScript(spec, options.shell).value_or("");
  return kExitOk;
}

}  // namespace calldir::cli

// `calldir completion bash|zsh|fish`: a completion script made from the
// command tree itself.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli/common/io.h"

namespace calldir::cli {

struct CompletionOptions {
  std::string shell;
  const CLI::App* command = nullptr;  // this command, in the tree it completes
};
void declareCompletion(CLI::App& command, CompletionOptions& options);

int runCompletion(const CompletionOptions& options, Io& io);

}  // namespace calldir::cli

// The conventions of the command line as a whole: the version line, the
// help of one command and of all of them, the command tree as plain data,
// and the nearest command to a mistyped one.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>

#include "base/status.h"
#include "cli/common/command_tree.h"

namespace calldir::cli {

// The version as `calldir --version` and `calldir version` print it.
const char* versionLine();

// The help of `app`, its usage line naming the whole command ("calldir list").
std::string helpOf(const CLI::App& app);

// Every command's help, the nested ones too.
void printAllHelp(CLI::App& app, std::ostream& out);

// The tree of commands and options under `app`, for completion scripts.
CommandSpec specOf(const CLI::App& app);

// Ok unless a word of the command line names no command where a command is
// expected; then an invalid-argument error with the nearest command's name.
base::Status checkCommandNames(CLI::App& app, int argc, char** argv);

}  // namespace calldir::cli

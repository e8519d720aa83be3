// The conventions of the command line as a whole: `version`, `completion`,
// --help-all, and the nearest command to a mistyped one.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>

#include "base/status.h"

namespace calldir::cli {

// The version as `calldir --version` and `calldir version` print it.
const char* versionLine();

// Every command's help, the nested ones too.
void printAllHelp(CLI::App& app, std::ostream& out);

// Ok unless a word of the command line names no command where a command is
// expected; then an invalid-argument error with the nearest command's name.
base::Status checkCommandNames(CLI::App& app, int argc, char** argv);

}  // namespace calldir::cli

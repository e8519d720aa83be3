// The command table: every command of calldir, one row each, and the
// groups that hold the commands of two words. `calldir --help` lists them in
// this order. Adding a command is a file of its own under commands/ and a
// row here.
#pragma once

#include <span>

#include "cli/common/command.h"

namespace calldir::cli {

std::span<const Command> commandTable();
std::span<const CommandGroup> commandGroups();

}  // namespace calldir::cli

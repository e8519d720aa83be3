// The dispatcher: builds calldir's command tree from the command table and,
// when a command is chosen, opens what its row asks for through
// DeviceAccess and runs it. No command opens a device itself.
#pragma once

#include <CLI/CLI.hpp>
#include <iostream>
#include <optional>
#include <span>
#include <string>

#include "cli/common/command.h"
#include "cli/common/io.h"

namespace calldir::cli {

// What every command of one run of calldir shares: the device root option,
// the streams, and the exit status the chosen command leaves.
struct Session {
  std::optional<std::string> root_flag;
  Io io{std::cin, std::cout, std::cerr};
  int status = kExitOk;
  // The device root: --root, else $CALLDIR_ROOT, else the user's data
  // folder; an error for an empty --root or $CALLDIR_ROOT.
  base::Result<std::string> root() const;
};

// Declares every command of `commands` on `app`, in table order, each under
// its group from `groups` (a group alone prints its commands).
void addCommands(CLI::App& app, std::span<const Command> commands, std::span<const CommandGroup> groups,
                 Session& session);

}  // namespace calldir::cli

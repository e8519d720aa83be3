// What every command of the calldir command line shares: the device root
// option, the streams, and the exit status that the chosen command's
// callback sets; and the pieces with which each command group declares its
// commands beside its code.
#pragma once

#include <CLI/CLI.hpp>
#include <iostream>
#include <optional>
#include <string>

#include "cli/io.h"

namespace calldir::cli {

struct Session {
  std::optional<std::string> root_flag;
  Io io{std::cin, std::cout, std::cerr};
  int status = kExitOk;
  // The device root: --root, else $CALLDIR_ROOT, else the user's data folder.
  std::string root() const;
};

// The help of `app`, its usage line naming the whole command ("calldir list").
std::string helpOf(const CLI::App& app);

// A group of commands: given alone, it prints the commands it holds.
CLI::App* addGroup(CLI::App& app, const std::string& name, const std::string& description, Session& session);

// Each command group declares its commands and their options in its own
// file; main() calls these in turn.
void addDeviceCommands(CLI::App& app, Session& session);
void addBundleCommands(CLI::App& app, Session& session);
void addSettingsCommands(CLI::App& app, Session& session);
void addStatusCommands(CLI::App& app, Session& session);
void addListCommands(CLI::App& app, Session& session);
void addRequestCommands(CLI::App& app, Session& session);
void addDirectoryCommands(CLI::App& app, Session& session);
void addAppCommands(CLI::App& app, Session& session);
void addWhyCommands(CLI::App& app, Session& session);
void addConventionCommands(CLI::App& app, Session& session);

}  // namespace calldir::cli

// The calldir command: the root options, the tree built from the command
// table, the parse and the exit.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <string_view>

#include "cli/command_table.h"
#include "cli/common/help.h"
#include "cli/dispatcher.h"

using namespace calldir::cli;

int main(int argc, char** argv) {
  CLI::App app{
      "calldir: drive, inspect and feed a caller-identification extension.\n"
      "Exit status: 0 done, 1 the answer is no (check found problems, value absent, request failed),\n"
      "2 unusable input or command line, 3 a file or store could not be read or written.",
      "calldir"};
  app.require_subcommand(0, 1);
  app.fallthrough();  // --root, before or after the command
  app.set_version_flag("--version", versionLine());
  bool help_all = false;  // handled before parsing
  app.add_flag("--help-all", help_all, "Show the help of every command and its options");
  app.failure_message([](const CLI::App*, const CLI::Error& e) {
    return "calldir: " + std::string(e.what()) + " (calldir --help lists the commands and options)\n";
  });
  Session session;
  app.add_option("--root", session.root_flag,
                 "Device root folder (default: $CALLDIR_ROOT, else $XDG_DATA_HOME/calldir/device)")
      ->type_name("DIR");
  bool quiet = false;
  app.add_flag("--quiet", quiet, "Show no progress on standard error, however long the work takes");
  // Progress only for a person watching: on a terminal, and not asked away.
  app.parse_complete_callback([&] { session.io.progress = ::isatty(STDERR_FILENO) == 1 && !quiet; });
  addCommands(app, commandTable(), commandGroups(), session);

  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--help-all") {
      printAllHelp(app, session.io.out);
      return finishOutput(session.io, kExitOk);
    }
  }
  if (auto s = checkCommandNames(app, argc, argv); !s.ok()) return fail(session.io, "", s);
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return finishOutput(session.io, app.exit(e));
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitBadInput;
  }
  if (app.get_subcommands().empty()) session.io.out << app.help();
  return finishOutput(session.io, session.status);
}

// Input, output and exit statuses of the command-line tool: whole files, or
// the standard streams when the name is "-".
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "base/result.h"

namespace calldir::cli {

// Streams a command reads from and writes to; tests pass string streams.
struct Io {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  // Long work may show its progress on `err`: it is a terminal, and --quiet
  // was not given.
  bool progress = false;
};

// Exit statuses of the calldir command. Each means one thing.
enum ExitCode : int {
  kExitOk = 0,        // done; for checks and lookups: nothing to report
  kExitNegative = 1,  // the answer is "no": a check found problems, a value is absent, a request failed
  kExitBadInput = 2,  // the input or the command line cannot be used
  kExitFailure = 3,   // the system failed: a file or store could not be read or written
};

// The exit status for a failed call: 2 for unusable input, 3 otherwise.
int exitCodeFor(const base::Status& status);

// Writes "calldir: [<command>: ]<message>" to io.err and returns the exit
// status for `status`.
int fail(Io& io, std::string_view command, const base::Status& status);

// Writes "calldir: <message>" to io.err and returns `code`.
int exitWith(Io& io, std::string_view message, int code);

// Writes "calldir: warning: <message>" to io.err.
void warn(Io& io, std::string_view message);

// Flushes standard output: `status` when everything reached it, 3 with a
// message otherwise (a full disk, a closed pipe), so that a script never
// takes a cut output for success.
int finishOutput(Io& io, int status);

// A label on one line of text output: a backslash, a line feed and a tab
// become two characters each (backslash-backslash, backslash-n, backslash-t).
std::string escapeForLine(std::string_view text);

// How a FILE argument is named in messages: "standard input" for "-".
std::string displayName(const std::string& path);

// The whole of `path` (a file, a FIFO, `<(...)`), or of `io.in` for "-".
base::Result<std::string> readInput(const std::string& path, Io& io);

// Writes `data` to `path` (replacing it), or to `io.out` when `path` is empty
// or "-".
base::Status writeOutput(const std::string& path, std::string_view data, Io& io);

}  // namespace calldir::cli

// Input, output and exit statuses of the command-line tool: whole files, or
// the standard streams when the name is "-".
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

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

// Text from a list, a setting or a file on one line of text output, inert:
// a backslash, line feed, tab and carriage return become two characters
// each (backslash-backslash, -n, -t, -r), every other C0 control and DEL
// "\xNN", and C1 controls and the marks that reorder text on screen
// (bidirectional overrides, embeddings, isolates) "\uNNNN". Nothing in it
// can move the cursor, set a title or make the line read backwards.
std::string escapeForLine(std::string_view text);

// As escapeForLine for a message that may hold escaped text already:
// backslashes stay as they are (so that escaping twice changes nothing), and
// characters that show as nothing or as a space (a byte-order mark, zero-
// width joiners, no-break spaces) are named, "<U+FEFF>". fail(), exitWith()
// and warn() write every message so.
std::string inertText(std::string_view text);

// A number's labels on one line: one label escaped; several (or one that
// begins with a quote) each in double quotes, its quotes escaped, joined by
// " | ", so that one label never reads as two.
std::string labelsForLine(const std::vector<std::string>& labels);

// How a FILE argument is named in messages: "standard input" for "-".
std::string displayName(const std::string& path);

// The whole of `path` (a file, a FIFO, `<(...)`), or of `io.in` for "-".
base::Result<std::string> readInput(const std::string& path, Io& io);

// Writes `data` to `path` (replacing it), or to `io.out` when `path` is empty
// or "-".
base::Status writeOutput(const std::string& path, std::string_view data, Io& io);

}  // namespace calldir::cli

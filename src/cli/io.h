// Input and output for the command-line tool: whole files, or the standard
// streams when the name is "-".
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace calldir::cli {

// Streams a command reads from and writes to; tests pass string streams.
struct Io {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

// Exit statuses of the calldir command. Each means one thing.
enum ExitCode : int {
  kExitOk = 0,  // done; for checks and lookups: nothing to report
  kExitNegative =
      1,  // the answer is "no": a check found problems, a key or label is absent, a request failed
  kExitBadInput = 2,  // the input or the command line cannot be used
  kExitFailure = 3,   // the system failed: a file or store could not be read or written
};

// Reads the whole of `path`, or of `io.in` for "-". On failure writes a
// message naming the file to `io.err` and returns no value.
std::optional<std::string> readInput(const std::string& path, Io& io);

// Writes `data` to `path` (replacing it), or to `io.out` when `path` is empty
// or "-". On failure writes a message to `io.err` and returns false.
bool writeOutput(const std::string& path, const std::string& data, Io& io);

}  // namespace calldir::cli

#include "cli/common/io.h"

#include <istream>
#include <ostream>
#include <sstream>

#include "base/file_io.h"

namespace calldir::cli {

int exitCodeFor(const base::Status& status) {
  switch (status.kind()) {
    case base::Status::Kind::kOk:
      return kExitOk;
    case base::Status::Kind::kInvalidArgument:
      return kExitBadInput;
    case base::Status::Kind::kIoError:
      return kExitFailure;
  }
  return kExitFailure;
}

int fail(Io& io, std::string_view command, const base::Status& status) {
  io.err << "calldir: " << command << (command.empty() ? "" : ": ") << status.message() << "\n";
  return exitCodeFor(status);
}

int exitWith(Io& io, std::string_view message, int code) {
  io.err << "calldir: " << message << "\n";
  return code;
}

void warn(Io& io, std::string_view message) { io.err << "calldir: warning: " << message << "\n"; }

int finishOutput(Io& io, int status) {
  io.out.flush();
  if (io.out) return status;
  io.err << "calldir: cannot write to standard output\n";
  return kExitFailure;
}

std::string escapeForLine(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += c;
    }
  }
  return out;
}

std::string displayName(const std::string& path) { return path == "-" ? "standard input" : path; }

base::Result<std::string> readInput(const std::string& path, Io& io) {
  if (path == "-") {
    std::ostringstream buffer;
    buffer << io.in.rdbuf();
    return std::move(buffer).str();
  }
  // A pipe or `<(...)` is an input like any file here; only the extension
  // refuses what is not a regular file.
  return base::readFile(path, {.follow_links = true, .regular_only = false});
}

base::Status writeOutput(const std::string& path, std::string_view data, Io& io) {
  if (path.empty() || path == "-") {
    io.out.write(data.data(), static_cast<std::streamsize>(data.size()));
    io.out.flush();
    if (!io.out) return base::Status::IoError("cannot write to standard output");
    return base::Status::Ok();
  }
  return base::replaceFile(path, data);
}

}  // namespace calldir::cli

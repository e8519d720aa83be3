#include "cli/common/io.h"

#include <istream>
#include <ostream>
#include <sstream>
#include <utility>

#include "base/file_io.h"
#include "lists/labels.h"

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
  io.err << "calldir: " << command << (command.empty() ? "" : ": ") << inertText(status.message()) << "\n";
  return exitCodeFor(status);
}

int exitWith(Io& io, std::string_view message, int code) {
  io.err << "calldir: " << inertText(message) << "\n";
  return code;
}

void warn(Io& io, std::string_view message) { io.err << "calldir: warning: " << inertText(message) << "\n"; }

int finishOutput(Io& io, int status) {
  io.out.flush();
  if (io.out) return status;
  io.err << "calldir: cannot write to standard output\n";
  return kExitFailure;
}

namespace {

std::string hex(unsigned value, int digits) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 15];
  return out;
}

// `text` with every C0 and C1 control, DEL and reordering mark written
// visibly; backslashes doubled too when `backslashes`, invisible characters
// named when `invisible`.
std::string escaped(std::string_view text, bool backslashes, bool invisible) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || (c == '\\' && backslashes)) {
      out += c == '\\'   ? "\\\\"
             : c == '\n' ? "\\n"
             : c == '\t' ? "\\t"
             : c == '\r' ? "\\r"
                         : "\\x" + hex(byte, 2);
      ++i;
      continue;
    }
    const auto [code, length] = lists::codePointAt(text, i);
    const auto kind =
        code < 0x80 ? lists::CharacterKind::kVisible : lists::characterKind(static_cast<char32_t>(code));
    if (kind == lists::CharacterKind::kControl || kind == lists::CharacterKind::kReordering) {
      out += "\\u" + hex(static_cast<unsigned>(code), 4);
    } else if (invisible &&
               (kind == lists::CharacterKind::kZeroWidth || kind == lists::CharacterKind::kSpaceLike)) {
      out += "<U+" + hex(static_cast<unsigned>(code), 4) + ">";
    } else {
      out.append(text, i, length);
    }
    i += length;
  }
  return out;
}

}  // namespace

std::string escapeForLine(std::string_view text) { return escaped(text, true, false); }

std::string inertText(std::string_view text) { return escaped(text, false, true); }

std::string labelsForLine(const std::vector<std::string>& labels) {
  if (labels.size() == 1 && !labels[0].starts_with('"')) return escapeForLine(labels[0]);
  std::string out;
  for (const std::string& label : labels) {
    std::string quoted;
    for (char c : escapeForLine(label))
      quoted += c == '"' ? std::string_view("\\\"") : std::string_view(&c, 1);
    out += (out.empty() ? "\"" : " | \"") + quoted + "\"";
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

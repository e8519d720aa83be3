#include "cli/common/io.h"

#include <istream>
#include <ostream>
#include <sstream>
#include <utility>

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

// The code point of the UTF-8 sequence at text[i] and its length, for the
// few characters that matter here; 0 and 1 for anything else.
std::pair<char32_t, std::size_t> codePointAt(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  if (byte(0) >= 0xC2 && byte(0) <= 0xDF && i + 1 < text.size() && (byte(1) & 0xC0) == 0x80) {
    return {static_cast<char32_t>(((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F)), 2};
  }
  if ((byte(0) & 0xF0) == 0xE0 && i + 2 < text.size() && (byte(1) & 0xC0) == 0x80 &&
      (byte(2) & 0xC0) == 0x80) {
    return {static_cast<char32_t>(((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F)), 3};
  }
  return {0, 1};
}

// C1 controls and the marks that reorder text on screen (bidirectional
// embeddings, overrides, isolates and marks).
bool isControlOrBidi(char32_t c) {
  return (c >= 0x80 && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// Characters that show as nothing or as a plain space.
bool isInvisible(char32_t c) {
  return c == 0x00A0 || c == 0x180E || c == 0x2009 || (c >= 0x200B && c <= 0x200D) || c == 0x202F ||
         c == 0x2060 || c == 0xFEFF;
}

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
    const auto [code, length] = codePointAt(text, i);
    if (isControlOrBidi(code)) {
      out += "\\u" + hex(code, 4);
    } else if (invisible && isInvisible(code)) {
      out += "<U+" + hex(code, 4) + ">";
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
    for (char c : escapeForLine(label)) quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
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

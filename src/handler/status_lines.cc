#include "handler/status_lines.h"

#include <charconv>

namespace calldir::handler {

namespace {

std::string bracketed(std::string_view text) { return "[" + std::string(text) + "]"; }

// Reads a line from its start; every step either takes what it asks for or
// leaves the line alone and says no.
class LineReader {
 public:
  explicit LineReader(std::string_view line) : rest_(line) {}

  bool literal(std::string_view text) {
    if (rest_.substr(0, text.size()) != text) return false;
    rest_.remove_prefix(text.size());
    return true;
  }
  // The text before the first `stop`, which is taken too.
  std::optional<std::string_view> upTo(std::string_view stop) {
    const std::size_t at = rest_.find(stop);
    if (at == std::string_view::npos) return std::nullopt;
    const std::string_view text = rest_.substr(0, at);
    rest_.remove_prefix(at + stop.size());
    return text;
  }
  template <typename T>
  bool number(T& out) {
    const auto [end, error] = std::from_chars(rest_.data(), rest_.data() + rest_.size(), out);
    if (error != std::errc() || end == rest_.data()) return false;
    rest_.remove_prefix(static_cast<std::size_t>(end - rest_.data()));
    return true;
  }
  // What is left once the line ends with `last`, without it.
  std::optional<std::string_view> restEndingWith(std::string_view last) const {
    if (rest_.size() < last.size() || rest_.substr(rest_.size() - last.size()) != last) return std::nullopt;
    return rest_.substr(0, rest_.size() - last.size());
  }
  std::string_view rest() const { return rest_; }

 private:
  std::string_view rest_;
};

// "a] [b" split at its last "] [": the time is always the last field, and a
// time holds no "]".
std::optional<std::pair<std::string_view, std::string_view>> splitLastField(std::string_view fields) {
  const std::size_t at = fields.rfind("] [");
  if (at == std::string_view::npos) return std::nullopt;
  return std::pair{fields.substr(0, at), fields.substr(at + 3)};
}

}  // namespace

std::string IncrementalLine::format() const {
  if (!incremental) return "NO " + bracketed(clear_all) + " " + bracketed(time);
  return "YES " + bracketed(clear_all) + " " + bracketed(restore_status) + " " + bracketed(time);
}

std::optional<IncrementalLine> IncrementalLine::parse(std::string_view line) {
  LineReader reader(line);
  IncrementalLine out;
  out.incremental = reader.literal("YES [");
  if (!out.incremental && !reader.literal("NO [")) return std::nullopt;
  const auto fields = reader.restEndingWith("]");
  const auto last = fields ? splitLastField(*fields) : std::nullopt;
  if (!last) return std::nullopt;
  out.time = last->second;
  if (!out.incremental) {
    out.clear_all = last->first;
    return out;
  }
  LineReader flags(last->first);
  const auto flag = flags.upTo("] [");
  if (!flag) return std::nullopt;
  out.clear_all = *flag;
  out.restore_status = flags.rest();
  return out;
}

RestoreLine RestoreLine::began(std::string time, std::string restore_status) {
  RestoreLine line;
  line.time = std::move(time);
  line.restore_status = std::move(restore_status);
  return line;
}

RestoreLine RestoreLine::noData(std::string time) {
  RestoreLine line;
  line.stage = Stage::kNoData;
  line.time = std::move(time);
  return line;
}

RestoreLine RestoreLine::found(std::string start) {
  RestoreLine line;
  line.stage = Stage::kFound;
  line.time = std::move(start);
  return line;
}

RestoreLine RestoreLine::applied(std::string start, std::string end, std::int64_t added,
                                 std::uint64_t elements, std::string last_element) {
  RestoreLine line;
  line.stage = Stage::kApplied;
  line.time = std::move(start);
  line.end = std::move(end);
  line.added = added;
  line.elements = elements;
  line.last_element = std::move(last_element);
  return line;
}

std::string RestoreLine::format() const {
  switch (stage) {
    case Stage::kBegan:
      return "Restore 0 " + bracketed(time) + " " + bracketed(restore_status);
    case Stage::kNoData:
      return "Restore NO DATA " + bracketed(time);
    case Stage::kFound:
      return "Restore 1 " + bracketed(time);
    case Stage::kApplied:
      break;
  }
  return "Restore 2 " + bracketed(time) + "~" + bracketed(end) + " [" + std::to_string(added) + " / " +
         std::to_string(elements) + "] " + last_element;
}

std::optional<RestoreLine> RestoreLine::parse(std::string_view line) {
  LineReader reader(line);
  RestoreLine out;
  if (reader.literal("Restore NO DATA [") || reader.literal("Restore 1 [")) {
    out.stage = line[8] == 'N' ? Stage::kNoData : Stage::kFound;
    const auto time = reader.restEndingWith("]");
    if (!time) return std::nullopt;
    out.time = *time;
    return out;
  }
  if (reader.literal("Restore 0 [")) {
    const auto time = reader.upTo("] [");
    const auto status = reader.restEndingWith("]");
    if (!time || !status) return std::nullopt;
    out.time = *time;
    out.restore_status = *status;
    return out;
  }
  out.stage = Stage::kApplied;
  if (!reader.literal("Restore 2 [")) return std::nullopt;
  const auto start = reader.upTo("]~[");
  const auto end = reader.upTo("] [");
  if (!start || !end || !reader.number(out.added) || !reader.literal(" / ") || !reader.number(out.elements) ||
      !reader.literal("] ")) {
    return std::nullopt;
  }
  out.time = *start;
  out.end = *end;
  out.last_element = reader.rest();
  return out;
}

std::string ElementLine::format() const {
  return "[" + std::to_string(index) + " / " + std::to_string(count) + "] " + element;
}

std::optional<ElementLine> ElementLine::parse(std::string_view line) {
  LineReader reader(line);
  ElementLine out;
  if (!reader.literal("[") || !reader.number(out.index) || !reader.literal(" / ") ||
      !reader.number(out.count) || !reader.literal("] ")) {
    return std::nullopt;
  }
  out.element = reader.rest();
  return out;
}

std::string ErrorLine::format() const { return "error " + error.description(); }

std::optional<ErrorLine> ErrorLine::parse(std::string_view line) {
  LineReader reader(line);
  ErrorLine out;
  if (!reader.literal("error Error Domain=")) return std::nullopt;
  const auto domain = reader.upTo(" Code=");
  if (!domain || !reader.number(out.error.code) || !reader.literal(" \"")) return std::nullopt;
  const auto reason = reader.restEndingWith("\"");
  if (!reason) return std::nullopt;
  out.error.domain = *domain;
  out.error.reason = *reason;
  return out;
}

}  // namespace calldir::handler

#include "cli/common/list_reports.h"

#include "cli/common/io.h"
#include "lists/csv.h"

namespace calldir::cli {

void writeProblems(base::JsonWriter& json, const std::vector<lists::Problem>& problems) {
  json.beginArray();
  for (const auto& p : problems) {
    json.lineBreak().beginObject().key("element").value(static_cast<std::uint64_t>(p.element)).key("line");
    p.line ? json.value(static_cast<std::uint64_t>(*p.line)) : json.null();
    json.key("code").value(p.code).key("message").value(p.message).endObject();
  }
  json.endArray();
}

std::string problemLine(const lists::Problem& p) {
  return "element " + std::to_string(p.element) + (p.line ? " (line " + std::to_string(*p.line) + ")" : "") +
         ": " + p.code + ": " + escapeForLine(p.message);
}

std::size_t unlisted(const std::vector<lists::Problem>& problems, const std::string& code,
                     std::size_t count) {
  std::size_t listed = 0;
  for (const auto& p : problems) listed += p.code == code;
  return listed < count ? count - listed : 0;
}

std::string rejectRow(const lists::Reject& r) {
  return std::to_string(r.element) + "," + (r.line ? std::to_string(*r.line) : "") + "," + r.code + "," +
         lists::csvField(r.text) + "," + lists::csvField(r.reading) + "\r\n";
}

}  // namespace calldir::cli

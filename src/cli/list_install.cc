#include "cli/list_install.h"

#include <sstream>

#include "base/file_io.h"
#include "codec/text_decoding.h"
#include "platform/json.h"

namespace calldir::cli {

namespace {

// The problems listed in a warning; `calldir list check` lists them all.
constexpr std::size_t kWarnedProblems = 3;

void warnAboutList(const std::string& installed, const std::string& name, lists::ListRole role, Io& io) {
  lists::CheckOptions options;
  options.role = role;
  options.listed_per_kind = kWarnedProblems;
  const lists::CheckReport report = lists::checkList(installed, options);
  if (report.clean()) return;
  std::string summary = name + ": " + report.verdict();
  if (report.problemCount() > 0) {
    summary += "; " + std::to_string(report.problemCount()) + " problem(s):";
    for (const auto& [code, count] : report.counts) summary += " " + std::to_string(count) + " " + code;
  }
  warn(io, summary);
  for (std::size_t i = 0; i < report.problems.size() && i < kWarnedProblems; ++i) {
    const auto& p = report.problems[i];
    warn(io, "  element " + std::to_string(p.element) + ": " + p.code + ": " + escapeForLine(p.message));
  }
  if (report.problemCount() > kWarnedProblems) warn(io, "  (`calldir list check` lists every problem)");
}

}  // namespace

base::Status installListFile(const std::string& source, const std::string& path, ListSource kind,
                             lists::ListRole role, Io& io) {
  std::string data;
  if (base::Status s = readInput(source, io, data); !s.ok()) return s;
  const bool looks_plain = lists::looksLikePlainJson(data);
  if (kind == ListSource::kAuto) kind = looks_plain ? ListSource::kPlain : ListSource::kEncoded;
  if (kind == ListSource::kEncoded && looks_plain) {
    warn(io, displayName(source) +
                 " looks like a plain JSON list, but --encoded copies it as it is: the extension "
                 "will not decode it (leave out --encoded to encode it)");
  }
  if (kind == ListSource::kPlain) {
    if (auto why = platform::whyNotJsonArray(data)) {
      return base::Status::InvalidArgument(displayName(source) + " is not a caller list: " + *why);
    }
    data = codec::encodeListText(data);
  }
  if (base::Status s = base::replaceFile(path, data); !s.ok()) return s.withContext("cannot install " + path);
  const std::size_t slash = path.rfind('/');
  warnAboutList(data, slash == std::string::npos ? path : path.substr(slash + 1), role, io);
  return base::Status::Ok();
}

}  // namespace calldir::cli

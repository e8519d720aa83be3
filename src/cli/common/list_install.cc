#include "cli/common/list_install.h"

#include "base/file_io.h"
#include "cli/common/list_input.h"
#include "cli/common/progress.h"
#include "codec/text_decoding.h"
#include "platform/files.h"
#include "platform/json.h"
#include "storage/caller_list.h"
#include "storage/list_content.h"

namespace calldir::cli {

namespace {

// The problems listed in a warning; `calldir list check` lists them all.
constexpr std::size_t kWarnedProblems = 3;

void warnAboutList(const lists::CheckReport& report, const std::string& name, Io& io) {
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

base::Result<lists::CheckReport> installListFile(const std::string& source, const std::string& path,
                                                 InstallForm form, lists::ListRole role, Io& io) {
  // Read as every list command reads FILE: UTF-16 named, and a byte-order
  // mark taken off, as the extension would read neither a list text nor
  // plain JSON with one.
  auto read = readListInput(source, {}, io);
  if (!read.ok()) return read.status();
  std::string data = std::move(read->data);
  if (data.size() > platform::kMaxFileBytes) {
    return base::Status::InvalidArgument(
        displayName(source) + " is over 1 GiB: the extension does not read a list file that large");
  }
  const bool looks_plain = storage::looksLikePlainJson(data);
  if (form == InstallForm::kAuto) form = looks_plain ? InstallForm::kPlain : InstallForm::kEncoded;
  if (form == InstallForm::kEncoded && looks_plain) {
    warn(io, displayName(source) +
                 " looks like a plain JSON list, but --encoded copies it as it is: the extension "
                 "will not decode it (leave out --encoded to encode it)");
  }
  lists::CheckOptions options;
  options.role = role;
  options.listed_per_kind = kWarnedProblems;
  Progress progress(io, true, "checking " + displayName(source), "elements");
  options.progress = progress.callback();
  lists::CheckReport report;
  if (form == InstallForm::kEncoded) {
    // Copied as it is, then checked as the extension will read it.
    if (base::Status s = base::replaceFile(path, data); !s.ok())
      return s.withContext("cannot install " + path);
    options.as_stored = true;
    report = lists::checkList(std::move(data), options);
  } else {
    // Checked as it is before anything is written, then enciphered in its
    // own buffer: never decrypted again, never held twice.
    base::Status plain = storage::holdsListData(data) ? base::Status::Ok() : platform::checkJsonArray(data);
    lists::CheckedList checked = lists::checkAndKeepList(std::move(data), options);
    report = std::move(checked.report);
    if (report.malformed) plain = base::Status::InvalidArgument(report.why_malformed);
    if (!plain.ok()) {
      return base::Status::InvalidArgument(displayName(source) + " is not a caller list: " + plain.message());
    }
    if (base::Status s = base::replaceFile(path, codec::encodeListText(std::move(checked.plain))); !s.ok()) {
      return s.withContext("cannot install " + path);
    }
  }
  const std::size_t slash = path.rfind('/');
  warnAboutList(report, slash == std::string::npos ? path : path.substr(slash + 1), io);
  return report;
}

base::Status writeListFile(const std::string& path, const std::string& plain, bool encode, Io& io) {
  if (!encode) return writeOutput(path, plain, io);
  return writeOutput(path, codec::encodeListText(plain) + "\n", io);
}

}  // namespace calldir::cli

#include "cli/list_commands.h"

#include <ostream>

#include "base/json_writer.h"
#include "codec/text_decoding.h"
#include "platform/call_directory.h"
#include "platform/json.h"
#include "platform/text.h"
#include "storage/caller_list.h"

namespace calldir::cli {

int runListEncode(const ListEncodeOptions& options, Io& io) {
  std::string plain;
  if (base::Status s = readInput(options.input, io, plain); !s.ok()) return fail(io, "list encode", s);
  if (options.from_csv) {
    std::string csv = std::move(plain);
    if (base::Status s = lists::csvToList(csv, options.columns, plain); !s.ok()) {
      return fail(io, "list encode: " + displayName(options.input), s);
    }
  } else if (!options.raw) {
    if (auto why = platform::whyNotJsonArray(plain)) {
      return fail(io,
                  "list encode: " + displayName(options.input) + " is not a caller list: " + *why +
                      " (use --raw to encode any bytes)",
                  kExitBadInput);
    }
  }
  std::string text = codec::encodeListText(plain, options.line_length);
  if (text.empty() || text.back() != '\n') text += '\n';
  if (base::Status s = writeOutput(options.output, text, io); !s.ok()) return fail(io, "list encode", s);
  return kExitOk;
}

namespace {

// The CSV of a plain caller list: a header "number,name", then a row per
// element that has both.
base::Status plainToCsv(std::string& plain) {
  auto list = storage::parseCallerList(std::move(plain));
  if (!list) return base::Status::InvalidArgument("the plain text is not a JSON array of caller entries");
  std::string csv(lists::kCsvHeader);
  storage::forEachCallerEntry(*list, [&](std::size_t, const storage::CallerEntry& e) {
    if (storage::useForAdding(e) == storage::ElementUse::kApplied)
      lists::appendCsvRow(csv, *e.number, *e.name);
  });
  plain = std::move(csv);
  return base::Status::Ok();
}

}  // namespace

int runListDecode(const ListDecodeOptions& options, Io& io) {
  std::string stored;
  if (base::Status s = readInput(options.input, io, stored); !s.ok()) return fail(io, "list decode", s);
  if (!platform::isValidUtf8(stored)) {
    return fail(io,
                "list decode: " + displayName(options.input) +
                    " does not decode: the file is not UTF-8 text, so it reads as no text",
                kExitBadInput);
  }
  codec::DecodedText decoded = codec::decodeListText(std::move(stored));
  if (decoded.failure != codec::DecodeFailure::kNone) {
    return fail(io,
                "list decode: " + displayName(options.input) +
                    " does not decode: " + codec::describeDecodeFailure(decoded.failure),
                kExitBadInput);
  }
  if (!storage::holdsListData(decoded.text)) {
    warn(io, "the plain text is shorter than 16 characters; the extension reads it as a list without data");
  }
  std::string out = std::move(*decoded.text);
  if (options.to_csv) {
    if (base::Status s = plainToCsv(out); !s.ok())
      return fail(io, "list decode: " + displayName(options.input), s);
  }
  if (base::Status s = writeOutput(options.output, out, io); !s.ok()) return fail(io, "list decode", s);
  return kExitOk;
}

namespace {

void writeCheckJson(const lists::CheckReport& report, Io& io) {
  static constexpr const char* kOutcomes[] = {"list", "undecodable", "no_data", "malformed"};
  base::JsonWriter json;
  json.beginObject().key("role").value(lists::roleName(report.role));
  json.key("outcome")
      .value(kOutcomes[static_cast<int>(report.outcome)])
      .key("verdict")
      .value(report.verdict());
  json.key("elements").value(static_cast<std::uint64_t>(report.elements));
  json.key("applied").value(static_cast<std::uint64_t>(report.applied)).key("refusal");
  if (report.refusal) {
    json.beginObject()
        .key("code")
        .value(report.refusal->code)
        .key("name")
        .value(platform::errorCodeName(report.refusal->code));
    json.key("element").value(static_cast<std::uint64_t>(report.refusal->element)).endObject();
  } else {
    json.null();
  }
  json.key("problems").beginArray();
  for (const auto& p : report.problems) {
    json.lineBreak().beginObject().key("element").value(static_cast<std::uint64_t>(p.element)).key("line");
    p.line ? json.value(static_cast<std::uint64_t>(*p.line)) : json.null();
    json.key("code").value(p.code).key("message").value(p.message).endObject();
  }
  json.endArray().key("counts").beginObject();
  for (const auto& [code, count] : report.counts) json.key(code).value(static_cast<std::uint64_t>(count));
  io.out << json.endObject().endObject().finish();
}

}  // namespace

void printCheckReport(const lists::CheckReport& report, const std::string& name, std::ostream& out) {
  out << name << ": " << report.verdict() << "\n";
  for (const auto& p : report.problems) {
    out << "element " << p.element << (p.line ? " (line " + std::to_string(*p.line) + ")" : "") << ": "
        << p.code << ": " << escapeForLine(p.message) << "\n";
  }
  for (const auto& [code, count] : report.counts) {
    std::size_t listed = 0;
    for (const auto& p : report.problems) listed += p.code == code;
    out << code << ": " << count;
    if (listed < count) out << " (" << count - listed << " not listed)";
    out << "\n";
  }
}

int runListCheck(const ListCheckOptions& options, Io& io) {
  std::string data;
  if (base::Status s = readInput(options.input, io, data); !s.ok()) return fail(io, "list check", s);
  lists::CheckOptions check;
  check.role = options.role;
  check.region = options.region;
  const lists::CheckReport report = lists::checkList(std::move(data), check);
  if (options.json) {
    writeCheckJson(report, io);
  } else {
    printCheckReport(report, displayName(options.input), io.out);
  }
  using Outcome = lists::CheckReport::Outcome;
  if (report.outcome == Outcome::kUndecodable || report.outcome == Outcome::kMalformed) return kExitBadInput;
  return report.clean() ? kExitOk : kExitNegative;
}

}  // namespace calldir::cli

#include "cli/list_commands.h"

#include <ostream>

#include "base/json_quote.h"
#include "codec/text_decoding.h"
#include "platform/json.h"
#include "platform/text.h"
#include "storage/caller_list.h"

namespace calldir::cli {

int runListEncode(const ListEncodeOptions& options, Io& io) {
  std::string plain;
  if (base::Status s = readInput(options.input, io, plain); !s.ok()) return fail(io, "list encode", s);
  if (!options.raw) {
    if (auto why = platform::whyNotJsonArray(plain)) {
      io.err << "calldir list encode: " << displayName(options.input) << " is not a caller list: " << *why
             << " (use --raw to encode any bytes)\n";
      return kExitBadInput;
    }
  }
  const std::string text = codec::encodeListText(plain, options.line_length);
  if (base::Status s = writeOutput(options.output, text, io); !s.ok()) return fail(io, "list encode", s);
  return kExitOk;
}

int runListDecode(const ListDecodeOptions& options, Io& io) {
  std::string stored;
  if (base::Status s = readInput(options.input, io, stored); !s.ok()) return fail(io, "list decode", s);
  if (!platform::isValidUtf8(stored)) {
    io.err << "calldir list decode: " << displayName(options.input)
           << " does not decode: the file is not UTF-8 text, so it reads as no text\n";
    return kExitBadInput;
  }
  codec::DecodedText decoded = codec::decodeListText(std::move(stored));
  if (decoded.failure != codec::DecodeFailure::kNone) {
    io.err << "calldir list decode: " << displayName(options.input)
           << " does not decode: " << codec::describeDecodeFailure(decoded.failure) << "\n";
    return kExitBadInput;
  }
  if (!storage::holdsListData(decoded.text)) {
    io.err << "calldir list decode: note: the plain text is shorter than 16 characters; "
              "the extension reads it as a list without data\n";
  }
  if (base::Status s = writeOutput(options.output, *decoded.text, io); !s.ok())
    return fail(io, "list decode", s);
  return kExitOk;
}

int runListCheck(const ListCheckOptions& options, Io& io) {
  std::string stored;
  if (base::Status s = readInput(options.input, io, stored); !s.ok()) return fail(io, "list check", s);
  using Outcome = storage::ListReport::Outcome;
  const storage::ListReport report = storage::checkListText(std::move(stored));

  std::string problem;
  int status = report.clean() ? kExitOk : kExitNegative;
  switch (report.outcome) {
    case Outcome::kList:
      break;
    case Outcome::kUndecodable:
      problem = std::string("does not decode: ") + codec::describeDecodeFailure(report.failure);
      status = kExitBadInput;
      break;
    case Outcome::kNoData:
      problem =
          "holds no data: its plain text is shorter than 16 characters (or the file is empty or not UTF-8), "
          "so a request applies nothing and a delta list is left as it is";
      break;
    case Outcome::kMalformed:
      problem =
          "does not parse: its plain text is not a JSON array, so a request applies nothing (a delta list is "
          "emptied all the same)";
      status = kExitBadInput;
      break;
  }

  if (options.json) {
    static constexpr const char* kOutcomes[] = {"list", "undecodable", "no_data", "malformed"};
    auto findings = [&](const std::vector<storage::ListReport::Finding>& list) {
      std::string out = "[";
      for (std::size_t i = 0; i < list.size(); ++i) {
        out += (i ? ", " : "") + std::string("{\"index\": ") + std::to_string(list[i].index) +
               ", \"reason\": " + base::jsonQuote(list[i].reason) + "}";
      }
      return out + "]";
    };
    io.out << "{\"outcome\": \"" << kOutcomes[static_cast<int>(report.outcome)]
           << "\", \"problem\": " << (problem.empty() ? "null" : base::jsonQuote(problem))
           << ", \"elements\": " << report.elements << ", \"added\": " << report.added
           << ", \"skipped\": " << findings(report.skipped) << ", \"refused\": " << findings(report.refused)
           << ", \"clean\": " << (report.clean() ? "true" : "false") << "}\n";
    return status;
  }
  const std::string name = displayName(options.input);
  if (!problem.empty()) {
    io.out << name << " " << problem << "\n";
    return status;
  }
  io.out << name << ": " << report.elements << " element(s); a restore from zero adds " << report.added
         << " entr" << (report.added == 1 ? "y" : "ies") << "\n";
  for (const auto& f : report.skipped) io.out << "skipped element " << f.index << ": " << f.reason << "\n";
  for (const auto& f : report.refused)
    io.out << "the platform would refuse element " << f.index << ": " << f.reason << "\n";
  if (report.clean()) io.out << "every element is applied and nothing would be refused\n";
  return status;
}

}  // namespace calldir::cli

#include "cli/commands/list_decode.h"

#include <map>

#include "codec/text_decoding.h"
#include "lists/csv.h"
#include "storage/caller_list.h"
#include "storage/list_content.h"

namespace calldir::cli {

void declareListDecode(CLI::App& command, ListDecodeOptions& options) {
  command.add_option("FILE", options.input, "List text; - for standard input")
      ->type_name("FILE")
      ->capture_default_str();
  command
      .add_option("-o,--output", options.output, "Write the plain text to FILE instead of standard output")
      ->type_name("FILE");
  command
      .add_option_function<std::string>(
          "--to", [&options](const std::string& to) { options.to_csv = to == "csv"; },
          "Write the plain JSON text, or CSV (number,name with a header)")
      ->check(CLI::IsMember({"json", "csv"}))
      ->default_str("json");
}

namespace {

// The CSV of a plain caller list: a header "number,name", then a row per
// element that has both. What has no row is said on io.err.
base::Result<std::string> plainToCsv(std::string plain, Io& io) {
  auto list = storage::parseCallerList(std::move(plain));
  if (!list) return base::Status::InvalidArgument("the plain text is not a JSON array of caller entries");
  std::string csv(lists::kCsvHeader);
  std::map<std::string, std::size_t> left_out;
  storage::forEachCallerEntry(*list, [&](std::size_t, const storage::CallerEntry& e) {
    switch (storage::useForAdding(e)) {
      case storage::ElementUse::kApplied:
        return lists::appendCsvRow(csv, *e.number, *e.name);
      case storage::ElementUse::kNotObject:
        ++left_out["not an object"];
        return;
      case storage::ElementUse::kNoNumber:
        ++left_out["without a number"];
        return;
      case storage::ElementUse::kNoName:
        ++left_out["without a name"];
        return;
    }
  });
  if (!left_out.empty()) {
    std::size_t total = 0;
    std::string kinds;
    for (const auto& [kind, count] : left_out) {
      total += count;
      kinds += (kinds.empty() ? "" : ", ") + std::to_string(count) + " " + kind;
    }
    warn(io, "list decode: " + std::to_string(total) + " of " + std::to_string(list->count()) +
                 " element(s) written as no row (" + kinds + "): a row holds a number and a name");
  }
  return csv;
}

// Why `content` has no plain text to write, or ok.
base::Status decodedOrWhyNot(const storage::ListContent& content, const std::string& name) {
  using Kind = storage::ListContent::Kind;
  const std::string prefix = name + " does not decode: ";
  if (content.kind == Kind::kNotText) {
    return base::Status::InvalidArgument(prefix + "the file is not UTF-8 text, so it reads as no text");
  }
  if (content.kind == Kind::kEmpty || content.kind == Kind::kUndecodable ||
      content.failure == codec::DecodeFailure::kTooShort) {
    const auto failure = content.kind == Kind::kEmpty ? codec::DecodeFailure::kTooShort : content.failure;
    return base::Status::InvalidArgument(prefix + codec::describeDecodeFailure(failure));
  }
  return base::Status::Ok();
}

}  // namespace

int runListDecode(const ListDecodeOptions& options, Io& io) {
  auto read = readInput(options.input, io);
  if (!read.ok()) return fail(io, "list decode", read.status());
  storage::ListContent content = storage::readListText(std::move(read).value());
  if (base::Status s = decodedOrWhyNot(content, displayName(options.input)); !s.ok()) {
    return fail(io, "list decode", s);
  }
  if (!content.holdsData()) {
    warn(io, "the plain text is shorter than 16 characters; the extension reads it as a list without data");
  }
  std::string out = std::move(content.plain);
  if (options.to_csv) {
    auto csv = plainToCsv(std::move(out), io);
    if (!csv.ok()) return fail(io, "list decode: " + displayName(options.input), csv.status());
    out = std::move(csv).value();
  }
  if (base::Status s = writeOutput(options.output, out, io); !s.ok()) return fail(io, "list decode", s);
  return kExitOk;
}

}  // namespace calldir::cli

#include "cli/commands/list_encode.h"

#include "cli/common/option_values.h"
#include "codec/text_decoding.h"
#include "lists/text_encoding.h"
#include "platform/json.h"

namespace calldir::cli {

void declareListEncode(CLI::App& command, ListEncodeOptions& options) {
  command.add_option("FILE", options.input, "Plain JSON caller list; - for standard input")
      ->type_name("FILE")
      ->capture_default_str();
  command.add_option("-o,--output", options.output, "Write the list text to FILE instead of standard output")
      ->type_name("FILE");
  command
      .add_option(
          "--line-length", options.line_length,
          "Break the Base64 text into lines of this many characters (rounded up to a multiple of 4); 0 "
          "for one line")
      ->type_name("N")
      ->check(wholeNumberIn(0, INT64_MAX))
      ->capture_default_str();
  command.add_flag("--raw", options.raw, "Encode any bytes, without checking for a UTF-8 JSON array");
  declareListInput(command, options.format);
}

int runListEncode(const ListEncodeOptions& options, Io& io) {
  ListInputOptions format = options.format;
  format.any_bytes = options.raw;
  auto read = readListInput(options.input, format, io);
  if (!read.ok()) return fail(io, "list encode", read.status());
  std::string plain = std::move(read->data);
  if (!options.format.from_csv && !options.raw) {
    base::Status s = lists::checkUtf8(plain, "it");
    if (s.ok()) s = platform::checkJsonArray(plain);
    if (!s.ok()) {
      return exitWith(io,
                      "list encode: " + displayName(options.input) + " is not a caller list: " + s.message() +
                          " (use --raw to encode any bytes)",
                      kExitBadInput);
    }
  }
  std::string text = codec::encodeListText(std::move(plain), options.line_length);
  if (text.empty() || text.back() != '\n') text += '\n';
  if (base::Status s = writeOutput(options.output, text, io); !s.ok()) return fail(io, "list encode", s);
  return kExitOk;
}

}  // namespace calldir::cli

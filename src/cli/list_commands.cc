#include "cli/list_commands.h"

#include <ostream>

#include "codec/aes.h"
#include "codec/base64.h"
#include "codec/list_key.h"
#include "codec/text_decoding.h"
#include "platform/json.h"
#include "platform/text.h"

namespace calldir::cli {

namespace {

std::string displayName(const std::string& path) { return path == "-" ? "standard input" : path; }

}  // namespace

int runListEncode(const ListEncodeOptions& options, Io& io) {
  auto plain = readInput(options.input, io);
  if (!plain) return kExitFailure;
  if (!options.raw) {
    if (auto why = platform::whyNotJsonArray(*plain)) {
      io.err << "calldir list encode: " << displayName(options.input) << " is not a caller list: " << *why
             << " (use --raw to encode any bytes)\n";
      return kExitBadInput;
    }
  }
  auto cipher = codec::AES256EncryptWithKey(*plain, codec::getCallDirectoryEncryptKey());
  if (!cipher) {
    io.err << "calldir list encode: the cipher refused the list key of this build\n";
    return kExitFailure;
  }
  const std::string text = codec::base64EncodingWithLineLength(*cipher, options.line_length);
  return writeOutput(options.output, text, io) ? kExitOk : kExitFailure;
}

int runListDecode(const ListDecodeOptions& options, Io& io) {
  auto stored = readInput(options.input, io);
  if (!stored) return kExitFailure;
  if (!platform::isValidUtf8(*stored)) {
    io.err << "calldir list decode: " << displayName(options.input)
           << " does not decode: the file is not UTF-8 text, so it reads as no text\n";
    return kExitBadInput;
  }
  codec::DecodedText decoded = codec::decodeListText(std::move(*stored));
  if (decoded.failure != codec::DecodeFailure::kNone) {
    io.err << "calldir list decode: " << displayName(options.input)
           << " does not decode: " << codec::describeDecodeFailure(decoded.failure) << "\n";
    return kExitBadInput;
  }
  if (platform::utf16Length(*decoded.text) < 16) {
    io.err << "calldir list decode: note: the plain text is shorter than 16 characters; "
              "the extension reads it as a list without data\n";
  }
  return writeOutput(options.output, *decoded.text, io) ? kExitOk : kExitFailure;
}

}  // namespace calldir::cli

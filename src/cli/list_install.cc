#include "cli/list_install.h"

#include "base/file_io.h"
#include "codec/text_decoding.h"
#include "platform/json.h"

namespace calldir::cli {

base::Status installListFile(const std::string& source, const std::string& path, ListSource kind, Io& io) {
  std::string data;
  if (base::Status s = readInput(source, io, data); !s.ok()) return s;
  if (kind == ListSource::kAuto) {
    const std::size_t first = data.find_first_not_of(" \t\r\n");
    const bool plain = first != std::string::npos && (data[first] == '[' || data[first] == '{');
    kind = plain ? ListSource::kPlain : ListSource::kEncoded;
  }
  if (kind == ListSource::kPlain) {
    if (auto why = platform::whyNotJsonArray(data)) {
      return base::Status::InvalidArgument(displayName(source) + " is not a caller list: " + *why);
    }
    data = codec::encodeListText(data);
  }
  return base::replaceFile(path, data).withContext("cannot install " + path);
}

}  // namespace calldir::cli

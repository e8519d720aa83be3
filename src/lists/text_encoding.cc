#include "lists/text_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "platform/text.h"

namespace calldir::lists {

namespace {

// "byte N, line L" of the offset `at` into `text`.
std::string placeOf(std::string_view text, std::size_t at) {
  const auto lines = std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n');
  return "byte " + std::to_string(at + 1) + ", line " + std::to_string(lines + 1);
}

class Converter {
 public:
  Converter(const char* from) : handle_(::iconv_open("UTF-8", from)) {}
  ~Converter() {
    if (ok()) ::iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Converts `text` into `out`; the offset where it stops being convertible
  // (or the text's size when all of it converts).
  std::size_t convert(std::string_view text, std::string* out) {
    char* in = const_cast<char*>(text.data());
    std::size_t in_left = text.size();
    std::string buffer(std::max<std::size_t>(text.size() * 2, 64), '\0');
    std::size_t written = 0;
    while (in_left > 0) {
      char* dst = buffer.data() + written;
      std::size_t dst_left = buffer.size() - written;
      const std::size_t rc = ::iconv(handle_, &in, &in_left, &dst, &dst_left);
      written = buffer.size() - dst_left;
      if (rc != static_cast<std::size_t>(-1)) break;
      if (errno != E2BIG) break;  // EILSEQ or EINVAL: a byte that is not in the encoding
      buffer.resize(buffer.size() * 2);
    }
    if (out != nullptr) {
      buffer.resize(written);
      *out = std::move(buffer);
    }
    return text.size() - in_left;
  }

 private:
  iconv_t handle_;
};

}  // namespace

base::Status checkUtf8(std::string_view text, std::string_view what) {
  if (platform::isValidUtf8(text)) return base::Status::Ok();
  // Only to say where: iconv stops at the first byte that is not UTF-8.
  Converter utf8("UTF-8");
  if (!utf8.ok()) return base::Status::IoError("iconv cannot read UTF-8 here");
  const std::size_t good = utf8.convert(text, nullptr);
  if (good == text.size()) return base::Status::Ok();
  return base::Status::InvalidArgument(std::string(what) + " is not UTF-8 at " + placeOf(text, good));
}

base::Result<std::string> convertToUtf8(std::string_view text, std::string_view encoding,
                                        std::string_view what) {
  Converter converter(std::string(encoding).c_str());
  if (!converter.ok()) {
    return base::Status::InvalidArgument("iconv knows no encoding named \"" + std::string(encoding) +
                                         "\" (try CP949, EUC-KR, SHIFT_JIS, GB18030 or WINDOWS-1252)");
  }
  std::string out;
  const std::size_t good = converter.convert(text, &out);
  if (good != text.size()) {
    return base::Status::InvalidArgument(std::string(what) + " is not " + std::string(encoding) + " at " +
                                         placeOf(text, good));
  }
  return out;
}

base::Status checkNotUtf16(std::string_view text, std::string_view what) {
  bool utf16 = text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF");
  if (!utf16 && text.size() >= 8) {
    // ASCII in UTF-16 without a mark: a zero byte beside every character.
    std::size_t zeros[2] = {0, 0};
    for (std::size_t i = 0; i < 8; ++i) zeros[i % 2] += text[i] == '\0';
    utf16 = (zeros[0] == 4) != (zeros[1] == 4);
  }
  if (!utf16) return base::Status::Ok();
  return base::Status::InvalidArgument(std::string(what) +
                                       " is UTF-16 text, not UTF-8; read it with --encoding utf-16");
}

std::string_view withoutByteOrderMark(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  return text;
}

void removeByteOrderMark(std::string& text) {
  text.erase(0, text.size() - withoutByteOrderMark(text).size());
}

}  // namespace calldir::lists

// The text encoding of an input a producer hands the list tools, through
// ICU's converters: a check that it is UTF-8 that says where it is not, and
// the conversion of the legacy encodings spreadsheets write (CP949 or EUC-KR,
// Shift_JIS, GB18030, Windows-1252, UTF-16) into UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "base/result.h"

namespace calldir::lists {

// Ok when `text` is UTF-8; otherwise an invalid-argument error "<what> is
// not UTF-8 at byte N, line L", byte and line counted from 1.
base::Status checkUtf8(std::string_view text, std::string_view what);

// An invalid-argument error naming `what` as UTF-16 text, with the option
// that reads it, when `text` looks like UTF-16 (a UTF-16 byte-order mark, or
// a zero byte in every other place of its start); ok otherwise.
base::Status checkNotUtf16(std::string_view text, std::string_view what);

// `text` without the UTF-8 byte-order mark that Notepad and PowerShell put
// before it, if it has one; removeByteOrderMark takes it off in place.
std::string_view withoutByteOrderMark(std::string_view text);
void removeByteOrderMark(std::string& text);

// `text` read in the encoding `encoding` as UTF-8. The name is ICU's or
// iconv's, in any case: "cp949" (Windows' Korean, as iconv means it, not
// ICU's IBM code page of that name), "euc-kr", "shift_jis", "gb18030",
// "windows-1252", "utf-16". An invalid-argument error names an encoding
// that is not known, and the byte and line where the text is not in it.
base::Result<std::string> convertToUtf8(std::string_view text, std::string_view encoding,
                                        std::string_view what);

}  // namespace calldir::lists

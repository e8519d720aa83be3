// Caller lists to and from CSV (RFC 4180: quoted fields with commas, doubled
// quotes and line breaks), as spreadsheets export them: a UTF-8 byte order
// mark and CRLF line ends are taken as they come.
#pragma once

#include <string>
#include <string_view>

#include "base/result.h"

namespace calldir::lists {

struct CsvColumns {
  // A column by its position from 1 ("1") or by its header ("Phone").
  std::string number = "1";
  std::string name = "2";
};

// The plain caller list of the rows of `csv`, in row order. The first row is
// a header when its number field holds no digit; columns named by header
// need one. A row without the name column gives an element without a name.
base::Result<std::string> csvToList(std::string_view csv, const CsvColumns& columns);

// One CSV field, quoted as RFC 4180 allows (always, quotes doubled).
std::string csvField(std::string_view text);

// Appends the row `number,name` (with CRLF) to `out`.
void appendCsvRow(std::string& out, std::string_view number, std::string_view name);

// The CSV header calldir writes: "number,name" and CRLF.
inline constexpr std::string_view kCsvHeader = "number,name\r\n";

}  // namespace calldir::lists

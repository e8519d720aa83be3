// Caller lists to and from CSV (RFC 4180: quoted fields with commas, doubled
// quotes and line breaks), as spreadsheets export them: a UTF-8 byte order
// mark and CRLF line ends are taken as they come; a legacy encoding is
// converted when named, and refused with where it is otherwise.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace calldir::lists {

struct CsvColumns {
  // A column by its position from 1 ("1") or by its header ("Phone").
  std::string number = "1";
  std::string name = "2";
};

struct CsvOptions {
  CsvColumns columns;
  std::string encoding;  // empty: the CSV must be UTF-8; else its name, such as "cp949"
};

// A plain caller list made from a CSV, and the CSV line each element
// (counted from 0) began on, so that problems are told by CSV line.
struct CsvList {
  std::string plain;
  std::vector<std::size_t> lines;
};

// The plain caller list of the rows of `csv`, in row order. The first row is
// a header when its number field holds no digit; columns named by header
// need one. A row without the name column gives an element without a name.
// Invalid-argument errors say where: the byte and line that are not UTF-8,
// the line and record of a syntax error, the columns there are.
base::Result<CsvList> csvToList(std::string_view csv, const CsvOptions& options);

// True when a spreadsheet would run `text` as a formula: after any
// apostrophes, its first character is =, +, -, @, a tab or a carriage return.
bool looksLikeFormula(std::string_view text);

// One CSV field, quoted as RFC 4180 allows (always, quotes doubled), with an
// apostrophe put before a text that looksLikeFormula, so that a spreadsheet
// shows it instead of running it. csvToList takes the apostrophe off again:
// what calldir writes it reads back exactly, and a field of a spreadsheet's
// own export that begins with an apostrophe before another character stays
// as it is.
std::string csvField(std::string_view text);

// Appends the row `number,name` (with CRLF) to `out`.
void appendCsvRow(std::string& out, std::string_view number, std::string_view name);

// The CSV header calldir writes: "number,name" and CRLF.
inline constexpr std::string_view kCsvHeader = "number,name\r\n";

}  // namespace calldir::lists

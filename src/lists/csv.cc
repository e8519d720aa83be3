#include "lists/csv.h"

#include <csv.h>

#include <algorithm>
#include <charconv>
#include <optional>

#include "base/json_quote.h"
#include "lists/list_writer.h"
#include "lists/phone_numbers.h"
#include "lists/text_encoding.h"

namespace calldir::lists {

namespace {

using Row = std::vector<std::string>;

bool hasDigit(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The position (from 0) of the column `which` names.
base::Result<std::size_t> columnIndex(const std::string& which, const std::optional<Row>& header) {
  if (isDigitsOnly(which)) {
    std::size_t position = 0;
    const auto [end, error] = std::from_chars(which.data(), which.data() + which.size(), position);
    if (error != std::errc() || end != which.data() + which.size()) {
      return base::Status::InvalidArgument("the column " + which + " is out of range");
    }
    if (position == 0) return base::Status::InvalidArgument("columns are counted from 1");
    return position - 1;
  }
  if (!header) {
    return base::Status::InvalidArgument("the column \"" + which +
                                         "\" is named, but the CSV has no header row");
  }
  const auto it = std::find(header->begin(), header->end(), which);
  if (it == header->end()) {
    std::string found;
    for (const std::string& column : *header) found += (found.empty() ? "" : ", ") + base::jsonQuote(column);
    return base::Status::InvalidArgument("the CSV has no column \"" + which + "\"; its columns are " + found);
  }
  return static_cast<std::size_t>(it - header->begin());
}

// Builds the list as libcsv hands over fields and records, one line of the
// CSV at a time, so that every element knows the line it began on.
class ListBuilder {
 public:
  explicit ListBuilder(const CsvColumns& columns) : columns_(columns) {}

  static void onField(void* data, std::size_t size, void* self) {
    static_cast<ListBuilder*>(self)->field(std::string_view(static_cast<const char*>(data), size));
  }
  static void onRecord(int, void* self) { static_cast<ListBuilder*>(self)->record(); }

  void startLine(std::size_t line) { line_ = line; }
  // The record being read, counted from 1, and the line it began on.
  std::size_t recordNumber() const { return records_ + 1; }
  std::size_t recordLine() const { return record_line_ != 0 ? record_line_ : line_; }
  const base::Status& status() const { return status_; }
  CsvList finish() {
    closeList(list_.plain);
    return std::move(list_);
  }

 private:
  void field(std::string_view text) {
    // A field ends on the line being read; it began as many lines before as
    // it holds line feeds.
    if (record_line_ == 0)
      record_line_ = line_ - static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    row_.emplace_back(text);
  }

  void record() {
    if (records_++ == 0 && !firstRecord()) {
      row_.clear();
      record_line_ = 0;
      return;
    }
    if (status_.ok()) {
      const std::string_view number = number_column_ < row_.size() ? unguarded(row_[number_column_]) : "";
      appendListElement(list_.plain, number,
                        name_column_ < row_.size()
                            ? std::optional<std::string_view>(unguarded(row_[name_column_]))
                            : std::nullopt);
      list_.lines.push_back(record_line_);
    }
    row_.clear();
    record_line_ = 0;
  }

  // A field as it was before csvField guarded it against formulas.
  static std::string_view unguarded(std::string_view field) {
    if (field.starts_with('\'') && looksLikeFormula(field)) field.remove_prefix(1);
    return field;
  }

  // Takes the first record as the header when its number field holds no
  // digit, and finds the columns; false when it was the header.
  bool firstRecord() {
    const auto guess = columnIndex(columns_.number, std::nullopt);
    const bool header = !guess.ok() || *guess >= row_.size() || !hasDigit(row_[*guess]);
    std::optional<Row> names;
    if (header) names = row_;
    const auto number = columnIndex(columns_.number, names);
    const auto name = columnIndex(columns_.name, names);
    status_ = !number.ok() ? number.status() : name.status();
    if (status_.ok()) {
      number_column_ = *number;
      name_column_ = *name;
    }
    return !header;
  }

  const CsvColumns& columns_;
  CsvList list_;
  Row row_;
  std::size_t line_ = 1;
  std::size_t record_line_ = 0;
  std::size_t records_ = 0;
  std::size_t number_column_ = 0;
  std::size_t name_column_ = 0;
  base::Status status_;
};

base::Status syntaxError(const ListBuilder& builder, csv_parser& parser) {
  return base::Status::InvalidArgument(
      "the CSV does not parse at line " + std::to_string(builder.recordLine()) + ", record " +
      std::to_string(builder.recordNumber()) + " (" + csv_strerror(csv_error(&parser)) +
      ": a quote that is not closed, or a quote inside a field that does not begin with one)");
}

// Parses the UTF-8 `csv` line by line into a list.
base::Result<CsvList> parseCsv(std::string_view csv, const CsvColumns& columns) {
  csv_parser parser;
  if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0)
    return base::Status::IoError("cannot start the CSV parser");
  ListBuilder builder(columns);
  base::Status status;
  std::size_t line = 1;
  for (std::size_t at = 0; at < csv.size() && status.ok(); ++line) {
    const std::size_t end = std::min(csv.find('\n', at), csv.size() - 1) + 1;
    builder.startLine(line);
    if (csv_parse(&parser, csv.data() + at, end - at, ListBuilder::onField, ListBuilder::onRecord,
                  &builder) != end - at) {
      status = syntaxError(builder, parser);
    }
    at = end;
  }
  if (status.ok() && csv_fini(&parser, ListBuilder::onField, ListBuilder::onRecord, &builder) != 0) {
    status = syntaxError(builder, parser);
  }
  csv_free(&parser);
  if (status.ok()) status = builder.status();
  if (!status.ok()) return status;
  return builder.finish();
}

}  // namespace

base::Result<CsvList> csvToList(std::string_view csv, const CsvOptions& options) {
  std::string converted;
  if (!options.encoding.empty()) {
    auto utf8 = convertToUtf8(csv, options.encoding, "the CSV");
    if (!utf8.ok()) return utf8.status();
    converted = std::move(utf8).value();
    csv = converted;
  } else if (base::Status s = checkUtf8(csv, "the CSV"); !s.ok()) {
    return base::Status::InvalidArgument(
        s.message() +
        "; export it again as UTF-8, or name its encoding with --encoding (a "
        "Korean spreadsheet's plain CSV is --encoding cp949)");
  }
  csv = withoutByteOrderMark(csv);
  return parseCsv(csv, options.columns);
}

bool looksLikeFormula(std::string_view text) {
  const std::size_t first = text.find_first_not_of('\'');
  return first != std::string_view::npos &&
         std::string_view("=+-@\t\r").find(text[first]) != std::string_view::npos;
}

std::string csvField(std::string_view text) {
  const std::string guarded = looksLikeFormula(text) ? "'" + std::string(text) : std::string(text);
  std::string out(guarded.size() * 2 + 2, '\0');
  out.resize(csv_write(out.data(), out.size(), guarded.data(), guarded.size()));
  return out;
}

void appendCsvRow(std::string& out, std::string_view number, std::string_view name) {
  out += csvField(number);
  out += ',';
  out += csvField(name);
  out += "\r\n";
}

}  // namespace calldir::lists

#include "lists/csv.h"

#include <csv.h>

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

#include "lists/list_writer.h"

namespace calldir::lists {

namespace {

using Row = std::vector<std::string>;

// Every row of `csv`, through libcsv.
base::Result<std::vector<Row>> parseRows(std::string_view csv) {
  std::vector<Row> rows;
  struct Collect {
    std::vector<Row>* rows;
    Row row;
  } collect{&rows, {}};
  csv_parser parser;
  if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0)
    return base::Status::IoError("cannot start the CSV parser");
  auto field = [](void* data, std::size_t size, void* out) {
    static_cast<Collect*>(out)->row.emplace_back(static_cast<const char*>(data), size);
  };
  auto end_row = [](int, void* out) {
    auto* c = static_cast<Collect*>(out);
    c->rows->push_back(std::move(c->row));
    c->row.clear();
  };
  const bool parsed = csv_parse(&parser, csv.data(), csv.size(), field, end_row, &collect) == csv.size() &&
                      csv_fini(&parser, field, end_row, &collect) == 0;
  const std::string error = parsed ? "" : csv_strerror(csv_error(&parser));
  csv_free(&parser);
  if (!parsed) return base::Status::InvalidArgument("the CSV does not parse: " + error);
  return rows;
}

// The position (from 0) of the column `which` names.
base::Result<std::size_t> columnIndex(const std::string& which, const std::optional<Row>& header) {
  if (!which.empty() &&
      std::all_of(which.begin(), which.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    std::size_t position = 0;
    const auto [end, error] = std::from_chars(which.data(), which.data() + which.size(), position);
    if (error != std::errc() || end != which.data() + which.size()) {
      return base::Status::InvalidArgument("the column " + which + " is out of range");
    }
    if (position == 0) return base::Status::InvalidArgument("columns are counted from 1");
    return position - 1;
  }
  if (!header)
    return base::Status::InvalidArgument("the column \"" + which +
                                         "\" is named, but the CSV has no header row");
  const auto it = std::find(header->begin(), header->end(), which);
  if (it == header->end()) return base::Status::InvalidArgument("the CSV has no column \"" + which + "\"");
  return static_cast<std::size_t>(it - header->begin());
}

}  // namespace

base::Result<std::string> csvToList(std::string_view csv, const CsvColumns& columns) {
  if (csv.substr(0, 3) == "\xEF\xBB\xBF") csv.remove_prefix(3);  // a byte order mark
  auto parsed = parseRows(csv);
  if (!parsed.ok()) return parsed.status();
  const std::vector<Row>& rows = *parsed;
  // The header: a first row whose number field holds no digit.
  std::optional<Row> header;
  if (!rows.empty()) {
    const auto first_guess = columnIndex(columns.number, std::nullopt);
    const Row& first = rows.front();
    const std::string field = first_guess.ok() && *first_guess < first.size() ? first[*first_guess] : "";
    if (!first_guess.ok() ||
        std::none_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      header = first;
    }
  }
  const auto number_column = columnIndex(columns.number, header);
  if (!number_column.ok()) return number_column.status();
  const auto name_column = columnIndex(columns.name, header);
  if (!name_column.ok()) return name_column.status();
  std::string plain;
  for (std::size_t r = header ? 1 : 0; r < rows.size(); ++r) {
    const Row& row = rows[r];
    const std::string number = *number_column < row.size() ? row[*number_column] : "";
    appendListElement(
        plain, number,
        *name_column < row.size() ? std::optional<std::string_view>(row[*name_column]) : std::nullopt);
  }
  closeList(plain);
  return plain;
}

std::string csvField(std::string_view text) {
  std::string out(text.size() * 2 + 2, '\0');
  out.resize(csv_write(out.data(), out.size(), text.data(), text.size()));
  return out;
}

void appendCsvRow(std::string& out, std::string_view number, std::string_view name) {
  out += csvField(number);
  out += ',';
  out += csvField(name);
  out += "\r\n";
}

}  // namespace calldir::lists

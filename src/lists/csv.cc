#include "lists/csv.h"

#include <csv.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "lists/list_writer.h"

namespace calldir::lists {

namespace {

using Row = std::vector<std::string>;

// Every row of `csv`, through libcsv.
base::Status parseRows(std::string_view csv, std::vector<Row>& rows) {
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
  return base::Status::Ok();
}

// The position (from 0) of the column `which` names.
base::Status columnIndex(const std::string& which, const std::optional<Row>& header, std::size_t& out) {
  if (!which.empty() &&
      std::all_of(which.begin(), which.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    out = std::stoul(which);
    if (out == 0) return base::Status::InvalidArgument("columns are counted from 1");
    --out;
    return base::Status::Ok();
  }
  if (!header)
    return base::Status::InvalidArgument("the column \"" + which +
                                         "\" is named, but the CSV has no header row");
  const auto it = std::find(header->begin(), header->end(), which);
  if (it == header->end()) return base::Status::InvalidArgument("the CSV has no column \"" + which + "\"");
  out = static_cast<std::size_t>(it - header->begin());
  return base::Status::Ok();
}

}  // namespace

base::Status csvToList(std::string_view csv, const CsvColumns& columns, std::string& plain) {
  plain.clear();
  if (csv.substr(0, 3) == "\xEF\xBB\xBF") csv.remove_prefix(3);  // a byte order mark
  std::vector<Row> rows;
  if (base::Status s = parseRows(csv, rows); !s.ok()) return s;
  // The header: a first row whose number field holds no digit.
  std::optional<Row> header;
  std::size_t number_column = 0;
  if (!rows.empty()) {
    std::size_t first_guess = 0;
    const bool numbered = columnIndex(columns.number, std::nullopt, first_guess).ok();
    const Row& first = rows.front();
    const std::string field = numbered && first_guess < first.size() ? first[first_guess] : "";
    if (!numbered || std::none_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      header = first;
    }
  }
  std::size_t name_column = 0;
  if (base::Status s = columnIndex(columns.number, header, number_column); !s.ok()) return s;
  if (base::Status s = columnIndex(columns.name, header, name_column); !s.ok()) return s;
  for (std::size_t r = header ? 1 : 0; r < rows.size(); ++r) {
    const Row& row = rows[r];
    const std::string number = number_column < row.size() ? row[number_column] : "";
    appendListElement(
        plain, number,
        name_column < row.size() ? std::optional<std::string_view>(row[name_column]) : std::nullopt);
  }
  closeList(plain);
  return base::Status::Ok();
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

#include "cli/common/list_input.h"

#include "lists/text_encoding.h"

namespace calldir::cli {

base::Result<ListInput> readListInput(const std::string& path, const ListInputOptions& options, Io& io) {
  auto read = readInput(path, io);
  if (!read.ok()) return read.status();
  ListInput input;
  input.from_csv = options.from_csv;
  if (options.csv.encoding.empty() && !options.any_bytes) {
    if (base::Status s = lists::checkNotUtf16(*read, displayName(path)); !s.ok()) return s;
  }
  if (options.from_csv) {
    auto list = lists::csvToList(*read, options.csv);
    if (!list.ok()) return list.status().withContext(displayName(path));
    input.data = std::move(list->plain);
    input.csv_lines = std::move(list->lines);
    return input;
  }
  if (!options.csv.encoding.empty()) {
    auto converted = lists::convertToUtf8(*read, options.csv.encoding, displayName(path));
    if (!converted.ok()) return converted.status();
    read = std::move(converted);
  }
  input.data = std::move(read).value();
  if (!options.any_bytes) lists::removeByteOrderMark(input.data);
  return input;
}

void declareListInput(CLI::App& command, ListInputOptions& options) {
  command
      .add_option_function<std::string>(
          "--from", [&options](const std::string& from) { options.from_csv = from == "csv"; },
          "What FILE holds: a list (list text or plain JSON), or CSV (one row per entry)")
      ->check(CLI::IsMember({"json", "csv"}))
      ->default_str("json");
  command
      .add_option("--number-column", options.csv.columns.number,
                  "With --from csv: the number's column, by position from 1 or by header")
      ->type_name("N|NAME")
      ->capture_default_str();
  command.add_option("--name-column", options.csv.columns.name, "With --from csv: the name's column")
      ->type_name("N|NAME")
      ->capture_default_str();
  command
      .add_option(
          "--encoding", options.csv.encoding,
          "The encoding FILE is in when it is not UTF-8, in any case: cp949, euc-kr, shift_jis, gb18030, "
          "windows-1252, utf-16, or another name ICU knows")
      ->type_name("NAME");
}

}  // namespace calldir::cli

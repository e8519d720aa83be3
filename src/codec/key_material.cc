#include "codec/key_material.h"

#include <simdjson.h>

#include <algorithm>
#include <cstdio>

namespace calldir::codec {

namespace {

using base::Status;

bool isPrintableAscii(char c) { return c >= ' ' && c <= '~'; }

Status invalid(const std::string& why) { return Status::InvalidArgument("list key material: " + why); }

base::Result<KeyRecordMaterial> parseRecord(simdjson::dom::element record, std::size_t i) {
  const std::string where = "record " + std::to_string(i);
  std::string_view word;
  if (record["word"].get(word)) return invalid(where + " has no \"word\" text");
  if (word.size() != 1 || !isPrintableAscii(word[0])) {
    return invalid(where + ": \"word\" must be one printable ASCII character");
  }
  simdjson::dom::array points;
  if (record["point"].get(points) || points.size() != kRecordSizes[i]) {
    return invalid(where + " must hold " + std::to_string(kRecordSizes[i]) +
                   " positions in \"point\" (the records hold 7, 4, 2 and 3 positions, 16 in all)");
  }
  KeyRecordMaterial out{word[0], {}, kRecordSizes[i]};
  std::size_t j = 0;
  for (simdjson::dom::element p : points) {
    std::uint64_t position = 0;
    if (p.get(position) || position > 76) {
      return invalid(where + ", position " + std::to_string(j) + ": not a whole number from 0 to 76");
    }
    out.point[j++] = static_cast<std::uint8_t>(position);
  }
  return out;
}

}  // namespace

base::Result<KeyMaterial> parseKeyMaterial(std::string_view json) {
  KeyMaterial out{};
  simdjson::dom::parser parser;
  simdjson::dom::element root;
  if (parser.parse(json.data(), json.size()).get(root)) return invalid("not a JSON text");
  std::string_view table;
  if (root["table"].get(table)) return invalid("no \"table\" text");
  if (table.size() != out.table.size()) {
    return invalid("\"table\" must hold 77 characters, it holds " + std::to_string(table.size()) + " bytes");
  }
  if (!std::all_of(table.begin(), table.end(), isPrintableAscii)) {
    return invalid("\"table\" must hold printable ASCII characters only");
  }
  std::copy(table.begin(), table.end(), out.table.begin());
  simdjson::dom::array records;
  if (root["records"].get(records) || records.size() != out.records.size()) {
    return invalid("\"records\" must be an array of 4 records");
  }
  std::size_t i = 0;
  for (simdjson::dom::element record : records) {
    auto parsed = parseRecord(record, i);
    if (!parsed.ok()) return parsed.status();
    out.records[i] = *parsed;
    for (std::size_t k = 0; k < i; ++k) {
      if (out.records[k].word == out.records[i].word) {
        return invalid("record " + std::to_string(i) + ": \"word\" \"" + std::string(1, out.records[i].word) +
                       "\" is used twice; the four labels must be distinct");
      }
    }
    ++i;
  }
  return out;
}

std::string keyMaterialSource(const KeyMaterial& material, std::string_view name) {
  auto byte = [](char c) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%02x", static_cast<unsigned char>(c));
    return std::string(buffer);
  };
  std::string out = "inline constexpr KeyMaterial " + std::string(name) + " = {\n    {";
  for (char c : material.table) out += byte(c) + ", ";
  out += "},\n    {{\n";
  for (const KeyRecordMaterial& r : material.records) {
    out += "        {" + byte(r.word) + ", {";
    for (std::size_t j = 0; j < r.count; ++j) out += std::to_string(r.point[j]) + ", ";
    out += "}, " + std::to_string(r.count) + "},\n";
  }
  return out + "    }},\n};\n";
}

}  // namespace calldir::codec

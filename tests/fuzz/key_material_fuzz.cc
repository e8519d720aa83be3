// The key material loader: whatever it accepts spells a key of sixteen
// printable characters, and what it accepts written back reads the same.
#include <string>

#include "base/json_quote.h"
#include "codec/key_material.h"
#include "codec/list_key.h"
#include "fuzz_check.h"

namespace {

std::string toJson(const calldir::codec::KeyMaterial& m) {
  std::string out = "{\"table\": " + calldir::base::jsonQuote(std::string(m.table.data(), m.table.size())) +
                    ", \"records\": [";
  for (std::size_t i = 0; i < m.records.size(); ++i) {
    const auto& r = m.records[i];
    out += (i ? ", " : "") + std::string("{\"word\": ") + calldir::base::jsonQuote(std::string(1, r.word)) +
           ", \"point\": [";
    for (std::size_t j = 0; j < r.count; ++j) out += (j ? "," : "") + std::to_string(r.point[j]);
    out += "]}";
  }
  return out + "]}";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using calldir::fuzz::require;
  const std::string_view json(reinterpret_cast<const char*>(data), size);
  const auto parsed = calldir::codec::parseKeyMaterial(json);
  if (!parsed.ok()) return 0;
  const calldir::codec::KeyMaterial& material = *parsed;
  const std::string key = calldir::codec::assembleListKey(material);
  require(key.size() == 16, "the key has sixteen characters");
  for (char c : key) require(c >= ' ' && c <= '~', "the key is printable ASCII");
  const auto again = calldir::codec::parseKeyMaterial(toJson(material));
  require(again.ok(), "accepted material reads back");
  require(calldir::codec::assembleListKey(*again) == key, "and spells the same key");
  require(!calldir::codec::keyMaterialSource(material, "k").empty(), "it compiles to a source");
  return 0;
}

#include "codec/list_key.h"

#include <algorithm>
#include <vector>

namespace calldir::codec {

namespace {
#include "list_key_material.inc"
}  // namespace

const KeyMaterial& builtInKeyMaterial() { return kBuiltInKeyMaterial; }

std::string assembleListKey(const KeyMaterial& material) {
  std::vector<KeyRecordMaterial> sorted(material.records.begin(), material.records.end());
  std::stable_sort(sorted.begin(), sorted.end(), [](const KeyRecordMaterial& a, const KeyRecordMaterial& b) {
    return static_cast<unsigned char>(a.word) < static_cast<unsigned char>(b.word);
  });
  std::string key;
  key.reserve(16);
  for (const KeyRecordMaterial& record : sorted) {
    for (std::size_t i = 0; i < record.count; ++i) key += material.table.at(record.point.at(i));
  }
  return key;
}

std::string getCallDirectoryEncryptKey() { return assembleListKey(kBuiltInKeyMaterial); }

}  // namespace calldir::codec

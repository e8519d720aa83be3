// Build tool: reads the list key material (a JSON file), checks it, and
// writes the C++ include that compiles it into calldir. Stops the build with
// the rule the material breaks otherwise.
//   generate_list_key MATERIAL.json OUTPUT.inc
#include <cstdio>
#include <string>

#include "base/file_io.h"
#include "codec/key_material.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: generate_list_key MATERIAL.json OUTPUT.inc\n");
    return 2;
  }
  auto json = calldir::base::readFile(argv[1]);
  calldir::base::Status s = json.status();
  if (s.ok()) {
    auto material = calldir::codec::parseKeyMaterial(*json);
    s = material.status().withContext(argv[1]);
    if (s.ok()) {
      s = calldir::base::replaceFile(argv[2],
                                     "// Generated at build time from the list key material. Do not edit.\n" +
                                         calldir::codec::keyMaterialSource(*material, "kBuiltInKeyMaterial"));
    }
  }
  if (!s.ok()) {
    std::fprintf(stderr, "%s\n", s.message().c_str());
    return 1;
  }
  return 0;
}

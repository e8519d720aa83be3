// Commands that read the call directory store: what the phone shows.
#pragma once

#include <string>
#include <vector>

#include "cli/io.h"

namespace calldir::cli {

struct LookupOptions {
  std::string root;
  std::vector<std::string> numbers;
  std::string region;  // read every NUMBER as written in this region
  bool json = false;   // an array of {"input", "number", "labels"}
};

// The label(s) a call from each number shows; exit 1 when one has none, 2
// when a NUMBER cannot be read. Digits alone are taken as they are; a number
// with "+" or separators, and every number under a region, is read as a
// phone number and looked up by its E.164 digits.
int runLookup(const LookupOptions& options, Io& io);

enum class EntriesFormat {
  kText,  // number TAB label, labels escaped to one line
  kJson,  // [{"number": N, "label": "..."}]
  kCsv,   // number,name with a header
  kList,  // a plain caller list, one element per label: `calldir list encode` takes it
};

struct EntriesOptions {
  std::string root;
  EntriesFormat format = EntriesFormat::kText;
};

// Every identification entry, in number order.
int runEntries(const EntriesOptions& options, Io& io);

}  // namespace calldir::cli

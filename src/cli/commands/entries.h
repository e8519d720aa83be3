// `calldir entries`: every identification entry the phone holds.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/common/device_access.h"
#include "cli/common/io.h"

namespace calldir::cli {

enum class EntriesFormat {
  kText,  // number TAB label, labels escaped to one line
  kJson,  // [{"number": N, "label": "..."}]
  kCsv,   // number,name with a header
  kList,  // a plain caller list, one element per label: `calldir list encode` takes it
};

struct EntriesOptions {
  EntriesFormat format = EntriesFormat::kText;
};
void declareEntries(CLI::App& command, EntriesOptions& options);

// Every identification entry, in number order, written as it is read.
int runEntries(const EntriesOptions& options, DeviceAccess& device, Io& io);

}  // namespace calldir::cli

// Option values that the command line takes in forms people write.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/status.h"

namespace calldir::cli {

// A byte count: digits, optionally followed by K, M or G (powers of 1024,
// either case, an optional "iB" or "B" after them): "1048576", "64M", "2GiB".
base::Status parseByteCount(std::string_view text, std::uint64_t& out);

}  // namespace calldir::cli

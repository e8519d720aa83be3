#include "cli/option_values.h"

#include <charconv>
#include <string>

namespace calldir::cli {

base::Status parseByteCount(std::string_view text, std::uint64_t& out) {
  const auto refuse = [&] {
    return base::Status::InvalidArgument("\"" + std::string(text) +
                                         "\" is not a byte count (digits, optionally followed by K, M or G)");
  };
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) return refuse();
  std::string_view unit(end, static_cast<std::size_t>(text.data() + text.size() - end));
  unsigned shift = 0;
  if (!unit.empty()) {
    switch (unit[0]) {
      case 'k':
      case 'K':
        shift = 10;
        break;
      case 'm':
      case 'M':
        shift = 20;
        break;
      case 'g':
      case 'G':
        shift = 30;
        break;
      default:
        return refuse();
    }
    unit.remove_prefix(1);
    if (unit != "" && unit != "B" && unit != "iB") return refuse();
  }
  if (value > (UINT64_MAX >> shift)) return refuse();
  out = value << shift;
  return base::Status::Ok();
}

}  // namespace calldir::cli

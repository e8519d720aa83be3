#include "cli/directory_commands.h"

#include <ostream>

#include "base/json_quote.h"
#include "cli/device_access.h"
#include "platform/text.h"

namespace calldir::cli {

namespace {

base::Status openStore(const std::string& root, std::unique_ptr<telephony::CallDirectoryStore>& store) {
  std::optional<device::DeviceRoot> device;
  if (base::Status s = openDevice(root, device); !s.ok()) return s;
  return openCallDirectoryStore(*device, store);
}

}  // namespace

int runLookup(const std::string& root, const std::vector<std::string>& numbers, Io& io) {
  std::unique_ptr<telephony::CallDirectoryStore> store;
  if (base::Status s = openStore(root, store); !s.ok()) return fail(io, "", s);
  bool all_found = true;
  for (const std::string& text : numbers) {
    const std::int64_t number = platform::integerValue(text);
    const auto labels = store->labelsFor(number);
    io.out << number << "\t";
    if (labels.empty()) {
      io.out << "(no label)";
      all_found = false;
    }
    for (std::size_t i = 0; i < labels.size(); ++i) io.out << (i ? " | " : "") << labels[i];
    io.out << "\n";
  }
  return all_found ? kExitOk : kExitNegative;
}

int runEntries(const std::string& root, bool json, Io& io) {
  std::unique_ptr<telephony::CallDirectoryStore> store;
  if (base::Status s = openStore(root, store); !s.ok()) return fail(io, "", s);
  bool first = true;
  if (json) io.out << "[";
  base::Status s = store->forEachEntry([&](std::int64_t number, std::string_view label) {
    if (json) {
      io.out << (first ? "" : ",\n ") << "{\"number\": " << number
             << ", \"label\": " << base::jsonQuote(label) << "}";
    } else {
      io.out << number << "\t" << label << "\n";
    }
    first = false;
  });
  if (json) io.out << "]\n";
  if (!s.ok()) return fail(io, "entries", s);
  return kExitOk;
}

}  // namespace calldir::cli

#include "cli/directory_commands.h"

#include <ostream>

#include "base/json_quote.h"
#include "base/json_writer.h"
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

int runLookup(const std::string& root, const std::vector<std::string>& numbers, bool json, Io& io) {
  std::unique_ptr<telephony::CallDirectoryStore> store;
  if (base::Status s = openStore(root, store); !s.ok()) return fail(io, "", s);
  bool all_found = true;
  base::JsonWriter out;
  out.beginArray();
  for (const std::string& text : numbers) {
    const std::int64_t number = platform::integerValue(text);
    const auto labels = store->labelsFor(number);
    all_found = all_found && !labels.empty();
    if (json) {
      out.lineBreak()
          .beginObject()
          .key("input")
          .value(text)
          .key("number")
          .value(number)
          .key("labels")
          .beginArray();
      for (const auto& label : labels) out.value(label);
      out.endArray().endObject();
      continue;
    }
    io.out << number << "\t";
    if (labels.empty()) io.out << "(no label)";
    for (std::size_t i = 0; i < labels.size(); ++i) io.out << (i ? " | " : "") << escapeForLine(labels[i]);
    io.out << "\n";
  }
  if (json) io.out << out.endArray().finish();
  return all_found ? kExitOk : kExitNegative;
}

int runEntries(const std::string& root, bool json, Io& io) {
  std::unique_ptr<telephony::CallDirectoryStore> store;
  if (base::Status s = openStore(root, store); !s.ok()) return fail(io, "", s);
  // Written as they come: a store of millions of entries is never held whole.
  bool first = true;
  if (json) io.out << "[";
  base::Status s = store->forEachEntry([&](std::int64_t number, std::string_view label) {
    if (json) {
      io.out << (first ? "" : ",\n ") << "{\"number\": " << number
             << ", \"label\": " << base::jsonQuote(label) << "}";
    } else {
      io.out << number << "\t" << escapeForLine(label) << "\n";
    }
    first = false;
  });
  if (json) io.out << "]\n";
  if (!s.ok()) return fail(io, "entries", s);
  return kExitOk;
}

}  // namespace calldir::cli

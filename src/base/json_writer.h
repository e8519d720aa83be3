// A small writer of one JSON document, for every --json output: it places the
// commas and quotes, so that what calldir prints always parses. Separators
// are ", " and ": ", on one line unless a caller asks for a line break.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace calldir::base {

class JsonWriter {
 public:
  JsonWriter& beginObject();
  JsonWriter& endObject();
  JsonWriter& beginArray();
  JsonWriter& endArray();
  // The key of the next member of the innermost object.
  JsonWriter& key(std::string_view name);
  JsonWriter& value(std::string_view text);
  JsonWriter& value(const char* text) { return value(std::string_view(text)); }
  JsonWriter& value(std::int64_t number);
  JsonWriter& value(std::uint64_t number);
  JsonWriter& value(int number) { return value(static_cast<std::int64_t>(number)); }
  JsonWriter& value(bool flag);
  // A number with `decimals` digits after the point.
  JsonWriter& value(double number, int decimals);
  JsonWriter& null();
  // A value that is JSON text already (another writer's document).
  JsonWriter& raw(std::string_view json);
  // The next element or member starts on a line of its own.
  JsonWriter& lineBreak();

  // The document, with a final line feed.
  std::string finish() const { return out_ + "\n"; }

 private:
  void separate();
  std::string out_;
  std::vector<bool> first_;  // per open container: nothing written in it yet
  bool after_key_ = false;
  bool break_next_ = false;
};

}  // namespace calldir::base

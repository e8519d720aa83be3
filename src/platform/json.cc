#include "platform/json.h"

#include <simdjson.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/text.h"

namespace calldir::platform {

namespace od = simdjson::ondemand;

namespace {

constexpr int kMaxDepth = 512;

bool isJsonSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view trimJsonSpace(std::string_view s) {
  while (!s.empty() && isJsonSpace(s.back())) s.remove_suffix(1);
  while (!s.empty() && isJsonSpace(s.front())) s.remove_prefix(1);
  return s;
}

// -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
bool isJsonNumber(std::string_view s) {
  std::size_t i = 0;
  auto digits = [&] {
    const std::size_t start = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    return i > start;
  };
  if (i < s.size() && s[i] == '-') ++i;
  if (i < s.size() && s[i] == '0') {
    ++i;
  } else if (!digits()) {
    return false;
  }
  if (i < s.size() && s[i] == '.') {
    ++i;
    if (!digits()) return false;
  }
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (!digits()) return false;
  }
  return i == s.size();
}

// Reads a string value. Stage 1 has already checked quotes, UTF-8 and
// control characters, so a string without a backslash is its own value and
// needs no copy; one with escapes is unescaped (and its escapes checked).
simdjson::error_code readString(od::value& value, std::string_view& out) {
  std::string_view token = trimJsonSpace(value.raw_json_token());
  if (token.size() >= 2 && token.front() == '"' && token.back() == '"') {
    const std::string_view inner = token.substr(1, token.size() - 2);
    if (std::memchr(inner.data(), '\\', inner.size()) == nullptr) {
      out = inner;
      od::raw_json_string ignored;  // consume the value so that iteration moves on
      return value.get_raw_json_string().get(ignored);
    }
  }
  return value.get_string().get(out);
}

simdjson::error_code readKey(od::field& field, std::string_view& out) {
  const char* raw = field.key().raw();
  const char* p = raw;
  while (*p != '"' && *p != '\\' && static_cast<unsigned char>(*p) >= 0x20) ++p;
  if (*p == '"') {
    out = std::string_view(raw, static_cast<std::size_t>(p - raw));
    return simdjson::SUCCESS;
  }
  if (static_cast<unsigned char>(*p) < 0x20) return simdjson::STRING_ERROR;
  return field.unescaped_key().get(out);
}

// Checks one value and everything in it.
simdjson::error_code validate(od::value value, int depth) {
  if (depth > kMaxDepth) return simdjson::DEPTH_ERROR;
  od::json_type type;
  if (auto e = value.type().get(type)) return e;
  switch (type) {
    case od::json_type::array: {
      od::array array;
      if (auto e = value.get_array().get(array)) return e;
      for (auto element : array) {
        od::value inner;
        if (auto e = element.get(inner)) return e;
        if (auto e = validate(inner, depth + 1)) return e;
      }
      return simdjson::SUCCESS;
    }
    case od::json_type::object: {
      od::object object;
      if (auto e = value.get_object().get(object)) return e;
      for (auto member : object) {
        od::field field;
        if (auto e = std::move(member).get(field)) return e;
        std::string_view key;
        if (auto e = readKey(field, key)) return e;
        if (auto e = validate(field.value(), depth + 1)) return e;
      }
      return simdjson::SUCCESS;
    }
    case od::json_type::string: {
      std::string_view s;
      return readString(value, s);
    }
    case od::json_type::number: {
      const std::string_view token = value.raw_json_token();
      if (!isJsonNumber(trimJsonSpace(token))) return simdjson::NUMBER_ERROR;
      // Consume the token; its grammar is checked above and any value
      // (however large) is accepted, as the platform parser does.
      od::raw_json_string ignored;
      (void)value.get_raw_json_string().get(ignored);
      return simdjson::SUCCESS;
    }
    case od::json_type::boolean: {
      bool b;
      return value.get_bool().get(b);
    }
    case od::json_type::null: {
      bool is_null = false;
      if (auto e = value.is_null().get(is_null)) return e;
      return is_null ? simdjson::SUCCESS : simdjson::N_ATOM_ERROR;
    }
  }
  return simdjson::TAPE_ERROR;
}

// Raw text of a value as written, consuming it; white space around it is
// not part of it.
std::string_view rawText(od::value& value) {
  std::string_view raw;
  od::json_type type;
  if (value.type().get(type)) return raw;
  if (type == od::json_type::array) {
    od::array array;
    if (!value.get_array().get(array) && array.raw_json().get(raw)) raw = {};
  } else if (type == od::json_type::object) {
    od::object object;
    if (!value.get_object().get(object) && object.raw_json().get(raw)) raw = {};
  } else {
    raw = value.raw_json_token();
  }
  return trimJsonSpace(raw);
}

// Fills `members` with the string values of `keys` in `object`, consuming
// it; with `check`, every other value is checked too. False when the object
// turns out malformed.
bool readMembers(od::object& object, std::span<const std::string_view> keys,
                 std::vector<std::optional<std::string_view>>& members, bool check) {
  for (auto member : object) {
    od::field field;
    std::string_view key;
    if (std::move(member).get(field) || readKey(field, key)) return false;
    const auto slot = std::find(keys.begin(), keys.end(), key);
    if (slot == keys.end()) {
      if (check && validate(field.value(), 2)) return false;
      continue;  // the iterator skips the value
    }
    std::optional<std::string_view>& target = members[static_cast<std::size_t>(slot - keys.begin())];
    od::value member_value = field.value();
    od::json_type type;
    if (member_value.type().get(type)) return false;  // not a JSON value at all
    std::string_view text;
    if (type == od::json_type::string && !readString(member_value, text)) {
      target = text;
    } else {
      target = std::nullopt;
      if (check && validate(member_value, 2)) return false;
    }
  }
  return true;
}

// Reads one element of a top-level array into `view`, consuming it; with
// `check`, everything in it is checked. False when it turns out malformed.
bool readElement(od::document& document, std::string_view text, od::value& value,
                 std::span<const std::string_view> keys,
                 std::vector<std::optional<std::string_view>>& members, bool check, JsonElementView& view) {
  std::fill(members.begin(), members.end(), std::nullopt);
  view = JsonElementView{};
  view.members = members;
  // The element's text runs from its first token to the next structural
  // character after it (the "," or "]" that follows), less white space.
  const char* start = trimJsonSpace(value.raw_json_token()).data();
  od::object object;
  if (value.get_object().get(object)) {
    if (!check) {
      view.raw = rawText(value);
      return true;
    }
    od::json_type type;
    if (value.type().get(type)) return false;
    if (type != od::json_type::array) {
      // A scalar: its token is its text.
      view.raw = trimJsonSpace(value.raw_json_token());
      return !validate(value, 1);
    }
    if (validate(value, 1)) return false;
  } else {
    view.is_object = true;
    if (!readMembers(object, keys, members, check)) return false;
  }
  const char* end = nullptr;
  if (document.current_location().get(end)) end = text.data() + text.size();
  view.raw = trimJsonSpace(std::string_view(start, static_cast<std::size_t>(end - start)));
  return true;
}

}  // namespace

struct JsonDocument::Impl {
  std::string text;
  od::parser parser;
  od::document document;
  Kind kind = Kind::kArray;
  std::size_t count = 0;
  std::size_t length = 0;  // of the JSON text in `text`
};

JsonDocument::JsonDocument(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
JsonDocument::~JsonDocument() = default;

std::unique_ptr<JsonDocument> JsonDocument::parse(std::string text) {
  auto document = read(std::move(text));
  return document.ok() ? std::move(document).value() : nullptr;
}

base::Result<std::unique_ptr<JsonDocument>> JsonDocument::read(std::string text) {
  Failure failure;
  std::unique_ptr<JsonDocument> document = parseWhole(text, &failure);
  if (document) return document;
  if (!isValidUtf8(text)) return base::Status::InvalidArgument("it is not UTF-8 text");
  std::string where;
  if (failure.at && *failure.at <= text.size()) {
    const std::string_view before = std::string_view(text).substr(0, *failure.at);
    const std::size_t line_start = before.rfind('\n') == std::string_view::npos ? 0 : before.rfind('\n') + 1;
    where = " (line " + std::to_string(std::count(before.begin(), before.end(), '\n') + 1) + ", column " +
            std::to_string(*failure.at - line_start + 1) + ": " + failure.what + ")";
  } else if (!failure.what.empty()) {
    where = " (" + failure.what + ")";
  }
  return base::Status::InvalidArgument("it is not well-formed JSON with an array or object at the top" +
                                       where);
}

std::unique_ptr<JsonDocument> JsonDocument::parseWhole(std::string& text, Failure* failure) {
  auto impl = std::make_unique<Impl>();
  impl->text = std::move(text);
  // On failure the text goes back to the caller, to say why.
  struct GiveBack {
    std::unique_ptr<Impl>& impl;
    std::string& text;
    ~GiveBack() {
      if (impl) text = std::move(impl->text);
    }
  } give_back{impl, text};
  std::string& buffer = impl->text;
  const std::size_t length = buffer.size();
  impl->length = length;
  // The parser reads a little past the end; reuse spare capacity when there
  // is enough (decoded list texts always have it), otherwise grow.
  if (buffer.capacity() < length + simdjson::SIMDJSON_PADDING)
    buffer.reserve(length + simdjson::SIMDJSON_PADDING);
  // Says where the parser stopped, and why, for a document it refuses.
  auto refuse = [&](simdjson::error_code error) -> std::unique_ptr<JsonDocument> {
    if (failure == nullptr) return nullptr;
    failure->what = simdjson::error_message(error);
    const char* at = nullptr;
    // (At the very start, the parser only says it did not get going.)
    if (impl->document.current_location().get(at) == simdjson::SUCCESS && at > buffer.data() &&
        at <= buffer.data() + length) {
      failure->at = static_cast<std::size_t>(at - buffer.data());
    }
    return nullptr;
  };
  if (auto e = impl->parser.iterate(buffer.data(), length, buffer.capacity()).get(impl->document)) {
    if (failure != nullptr) failure->what = simdjson::error_message(e);
    return nullptr;
  }

  od::json_type type;
  if (auto e = impl->document.type().get(type)) {
    if (failure != nullptr) failure->what = simdjson::error_message(e);
    return nullptr;
  }
  if (type != od::json_type::array && type != od::json_type::object) return refuse(simdjson::INCORRECT_TYPE);
  impl->kind = type == od::json_type::array ? Kind::kArray : Kind::kObject;

  // Check the whole document, counting the top level on the way.
  std::size_t count = 0;
  if (type == od::json_type::array) {
    od::array array;
    if (auto e = impl->document.get_array().get(array)) return refuse(e);
    for (auto element : array) {
      od::value value;
      if (auto e = element.get(value)) return refuse(e);
      if (auto e = validate(value, 1)) return refuse(e);
      ++count;
    }
  } else {
    od::object object;
    if (auto e = impl->document.get_object().get(object)) return refuse(e);
    for (auto member : object) {
      od::field field;
      std::string_view key;
      if (auto e = std::move(member).get(field)) return refuse(e);
      if (auto e = readKey(field, key)) return refuse(e);
      if (auto e = validate(field.value(), 1)) return refuse(e);
      ++count;
    }
  }
  // Nothing may follow the top-level value.
  const char* trailing = nullptr;
  if (impl->document.current_location().get(trailing) == simdjson::SUCCESS) {
    if (failure != nullptr) {
      failure->what = "more after the end of the document";
      failure->at = static_cast<std::size_t>(trailing - buffer.data());
    }
    return nullptr;
  }
  impl->count = count;
  return std::unique_ptr<JsonDocument>(new JsonDocument(std::move(impl)));
}

JsonDocument::Kind JsonDocument::kind() const { return impl_->kind; }

std::string_view JsonDocument::text() const { return std::string_view(impl_->text).substr(0, impl_->length); }

std::size_t JsonDocument::count() const { return impl_->count; }

std::string JsonDocument::releaseText() && {
  std::string text = std::move(impl_->text);
  text.resize(impl_->length);
  impl_.reset();
  return text;
}

void JsonDocument::forEachElement(
    std::span<const std::string_view> keys,
    const std::function<void(std::size_t index, const JsonElementView&)>& visit) {
  if (impl_->kind != Kind::kArray) return;
  impl_->document.rewind();
  od::array array;
  if (impl_->document.get_array().get(array)) return;
  std::vector<std::optional<std::string_view>> members(keys.size());
  const std::string_view text(impl_->text.data(), impl_->length);
  std::size_t index = 0;
  for (auto element : array) {
    od::value value;
    JsonElementView view;
    if (element.get(value) || !readElement(impl_->document, text, value, keys, members, false, view)) return;
    visit(index++, view);
  }
}

namespace {

// Walks the top-level array in `data` (`length` bytes, `capacity` of them
// readable) as walkOnce does, counting elements on from `index`. `resume`
// is set after each element visited to the "," or "]" that follows it.
// With `hold_last`, an element is visited only once the next one has been
// read or the array has ended: an array cut short may end in an element cut
// short too ("[[1,2],[3" cut after the 3 reads "[3]" whole).
JsonDocument::WalkResult walkArray(od::parser& parser, char* data, std::size_t length, std::size_t capacity,
                                   std::span<const std::string_view> keys,
                                   const std::function<void(std::size_t, const JsonElementView&)>& visit,
                                   bool hold_last, std::size_t& index, const char*& resume) {
  using WalkResult = JsonDocument::WalkResult;
  od::document document;
  if (parser.iterate(data, length, capacity).get(document)) return WalkResult::kMalformed;
  od::json_type type;
  if (document.type().get(type)) return WalkResult::kMalformed;
  if (type != od::json_type::array) {
    // An object with members is no list; a bare value is malformed.
    if (type != od::json_type::object) return WalkResult::kMalformed;
    od::value whole;
    return document.get_value().get(whole) || validate(whole, 0) ? WalkResult::kMalformed
                                                                 : WalkResult::kNotArray;
  }
  od::array array;
  if (document.get_array().get(array)) return WalkResult::kMalformed;
  // Members of the element read last and of the one held back before it.
  std::vector<std::optional<std::string_view>> members[2] = {
      std::vector<std::optional<std::string_view>>(keys.size()),
      std::vector<std::optional<std::string_view>>(keys.size())};
  std::size_t slot = 0;
  JsonElementView held;
  const char* held_end = nullptr;  // the "," or "]" after it
  bool holding = false;
  auto visitHeld = [&] {
    if (!holding) return;
    visit(index++, held);
    resume = held_end;
    holding = false;
  };
  const std::string_view whole(data, length);
  for (auto element : array) {
    od::value value;
    JsonElementView view;
    if (element.get(value) || !readElement(document, whole, value, keys, members[slot], true, view)) {
      return WalkResult::kMalformed;
    }
    visitHeld();
    held = view;
    if (document.current_location().get(held_end)) held_end = nullptr;
    holding = true;
    slot = 1 - slot;
    if (!hold_last) visitHeld();
  }
  const char* trailing = nullptr;
  if (document.current_location().get(trailing) == simdjson::SUCCESS) return WalkResult::kMalformed;
  visitHeld();
  return WalkResult::kArray;
}

// The "," after `from` and before `before` that most likely ends an element
// (a "}" before it and a "{" after it, less white space), or npos.
std::size_t pieceEnd(std::string_view text, std::size_t from, std::size_t before) {
  for (std::size_t at = text.rfind(',', before); at != std::string_view::npos && at > from;
       at = text.rfind(',', at - 1)) {
    const std::size_t previous = text.find_last_not_of(" \t\n\r", at - 1);
    const std::size_t next = text.find_first_not_of(" \t\n\r", at + 1);
    if (previous != std::string_view::npos && previous > from && text[previous] == '}' &&
        next != std::string_view::npos && text[next] == '{')
      return at;
  }
  return std::string_view::npos;
}

}  // namespace

JsonDocument::WalkResult JsonDocument::walkOnce(
    std::string& text, std::span<const std::string_view> keys,
    const std::function<void(std::size_t index, const JsonElementView&)>& visit, std::size_t piece) {
  const std::size_t length = text.size();
  if (text.capacity() < length + simdjson::SIMDJSON_PADDING)
    text.reserve(length + simdjson::SIMDJSON_PADDING);
  od::parser parser;
  std::size_t index = 0;
  const char* resume = nullptr;
  // The array is walked a piece at a time, each piece parsed in place as an
  // array of its own: the "," before it read as "[" and the "," that ends it
  // as "]". A piece ends where the text's own structure most likely ends an
  // element, and it parses only if it does: a "," in a string leaves its
  // quotes unbalanced, one in a nested value its brackets. A piece that does
  // not parse has visited true elements only (its last one, which may be
  // cut short, is held back until the piece ends), and the walk goes on
  // after the last of them; when it visited none, with all the rest at once,
  // where a fault is the text's own.
  std::size_t begin = text.find_first_not_of(" \t\n\r");
  const std::size_t start = begin;  // while begin is there, no element was visited
  if (begin != std::string::npos && text[begin] == '[') {
    while (length - begin > 2 * piece) {
      // A piece that ends in a string reads nothing: an earlier end is tried,
      // a few times.
      std::size_t end = pieceEnd(text, begin, begin + piece);
      const std::size_t visited = index;
      WalkResult walked = WalkResult::kMalformed;
      for (int tries = 0; tries < 4 && end != std::string::npos; ++tries) {
        const char opening = text[begin];
        text[begin] = '[';
        text[end] = ']';
        resume = nullptr;
        walked = walkArray(parser, text.data() + begin, end + 1 - begin, text.capacity() - begin, keys, visit,
                           true, index, resume);
        text[begin] = opening;
        text[end] = ',';
        if (walked == WalkResult::kArray || index > visited) break;
        end = pieceEnd(text, begin, end - 1);
      }
      if (end == std::string::npos) break;
      if (walked == WalkResult::kArray) {
        begin = end;
        continue;
      }
      if (index == visited) break;  // none of it: the rest goes at once from where it began
      // The array closed before the piece's end, and text follows it.
      if (resume == nullptr || *resume != ',') return WalkResult::kMalformed;
      // On from the last element read, which is further on than the piece began.
      begin = static_cast<std::size_t>(resume - text.data());
    }
  }
  if (begin == start)
    return walkArray(parser, text.data(), length, text.capacity(), keys, visit, false, index, resume);
  // The rest, from the "," after the last element visited.
  text[begin] = '[';
  const WalkResult rest = walkArray(parser, text.data() + begin, length - begin, text.capacity() - begin,
                                    keys, visit, false, index, resume);
  text[begin] = ',';
  return rest;
}

std::string compactJson(std::string_view raw) {
  std::string out(raw.size(), '\0');
  std::size_t length = 0;
  if (simdjson::minify(raw.data(), raw.size(), out.data(), length)) return std::string(raw);
  out.resize(length);
  return out;
}

base::Status checkJsonArray(std::string_view text) {
  auto document = JsonDocument::read(std::string(text));
  if (!document.ok()) return document.status();
  if ((*document)->kind() != JsonDocument::Kind::kArray) {
    return base::Status::InvalidArgument("its top level is an object, not an array");
  }
  return base::Status::Ok();
}

}  // namespace calldir::platform

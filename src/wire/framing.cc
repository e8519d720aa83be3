#include "wire/framing.h"

#include <cstring>

#include "base/json_quote.h"

namespace calldir::wire {

namespace {

template <typename T>
void put(std::string& out, T value) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  out.append(bytes, sizeof(T));
}

template <typename T>
T get(const char* p) {
  T value;
  std::memcpy(&value, p, sizeof(T));
  return value;
}

bool hasNumber(Operation op) {
  return op == Operation::kAdd || op == Operation::kRemove || op == Operation::kAddBlocking ||
         op == Operation::kRemoveBlocking;
}

}  // namespace

void encodeOperation(std::string& out, Operation operation, std::int64_t number, std::string_view label) {
  out += static_cast<char>(operation);
  if (hasNumber(operation)) put<std::int64_t>(out, number);
  if (operation == Operation::kAdd) {
    put<std::uint32_t>(out, static_cast<std::uint32_t>(label.size()));
    out.append(label);
  }
}

void OperationDecoder::feed(const char* data, std::size_t size) {
  // Drop what was consumed before growing, so the buffer stays small.
  if (position_ > 0 && position_ >= buffer_.size() / 2) {
    buffer_.erase(0, position_);
    position_ = 0;
  }
  buffer_.append(data, size);
}

std::optional<OperationMessage> OperationDecoder::next() {
  const std::size_t left = buffer_.size() - position_;
  if (left == 0 || malformed_) return std::nullopt;
  const char* p = buffer_.data() + position_;
  OperationMessage m;
  m.operation = static_cast<Operation>(p[0]);
  switch (m.operation) {
    case Operation::kSetDelegate:
    case Operation::kIsIncremental:
    case Operation::kRemoveAll:
    case Operation::kComplete:
      position_ += 1;
      return m;
    case Operation::kRemove:
    case Operation::kAddBlocking:
    case Operation::kRemoveBlocking:
      if (left < 9) return std::nullopt;
      m.number = get<std::int64_t>(p + 1);
      position_ += 9;
      return m;
    case Operation::kAdd: {
      if (left < 13) return std::nullopt;
      const std::uint32_t length = get<std::uint32_t>(p + 9);
      if (left < 13 + static_cast<std::size_t>(length)) return std::nullopt;
      m.number = get<std::int64_t>(p + 1);
      m.label = std::string_view(p + 13, length);
      position_ += 13 + length;
      return m;
    }
  }
  malformed_ = true;
  return std::nullopt;
}

std::string describeOperation(const OperationMessage& m) {
  switch (m.operation) {
    case Operation::kSetDelegate:
      return "setDelegate";
    case Operation::kIsIncremental:
      return "isIncremental";
    case Operation::kRemoveAll:
      return "removeAllIdentificationEntries";
    case Operation::kAdd:
      return "addIdentificationEntry " + std::to_string(m.number) + " " + base::jsonQuote(m.label);
    case Operation::kRemove:
      return "removeIdentificationEntry " + std::to_string(m.number);
    case Operation::kAddBlocking:
      return "addBlockingEntry " + std::to_string(m.number);
    case Operation::kRemoveBlocking:
      return "removeBlockingEntry " + std::to_string(m.number);
    case Operation::kComplete:
      return "completeRequest";
  }
  return "unknown";
}

std::string encodeAnswer(const Answer& answer) {
  if (answer.completed()) return "K";
  std::string out = "F";
  put<std::int32_t>(out, answer.failure->code);
  put<std::uint32_t>(out, static_cast<std::uint32_t>(answer.failure->reason.size()));
  out += answer.failure->reason;
  return out;
}

std::optional<Answer> decodeAnswer(std::string_view bytes) {
  if (bytes == "K") return Answer{};
  if (bytes.size() < 9 || bytes[0] != 'F') return std::nullopt;
  const std::uint32_t length = get<std::uint32_t>(bytes.data() + 5);
  if (bytes.size() != 9 + static_cast<std::size_t>(length)) return std::nullopt;
  platform::CallDirectoryError error;
  error.code = get<std::int32_t>(bytes.data() + 1);
  error.reason = std::string(bytes.substr(9));
  return Answer{std::move(error)};
}

}  // namespace calldir::wire

// The framing of a request between the telephony service and an extension
// process, part of the contract that both sides include: the context operations the extension performs travel
// to the service over one pipe, and the service's answer to the completion travels back over another.
//
// Extension to service, one message per operation:
//   'D'                         setDelegate
//   'I'                         isIncremental was asked
//   'R'                         removeAllIdentificationEntries
//   'A' i64 u32 bytes           addIdentificationEntry(number, label)
//   'X' i64                     removeIdentificationEntry(number)
//   'B' i64                     addBlockingEntry(number)
//   'b' i64                     removeBlockingEntry(number)
//   'C'                         completeRequest
// Service to extension, once, after 'C':
//   'K'                         completed
//   'F' i32 u32 bytes           failed with code and reason
// Integers are little-endian as they lie in memory on both sides of the
// pipe (one machine).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/call_directory.h"

namespace calldir::wire {

enum class Operation : char {
  kSetDelegate = 'D',
  kIsIncremental = 'I',
  kRemoveAll = 'R',
  kAdd = 'A',
  kRemove = 'X',
  kAddBlocking = 'B',
  kRemoveBlocking = 'b',
  kComplete = 'C',
};

struct OperationMessage {
  Operation operation = Operation::kComplete;
  std::int64_t number = 0;
  std::string_view label;  // points into the decoder's buffer
};

// Appends the encoding of one operation to `out`.
void encodeOperation(std::string& out, Operation operation, std::int64_t number = 0,
                     std::string_view label = {});

// Takes whole messages from the front of a byte stream.
class OperationDecoder {
 public:
  // Appends bytes read from the pipe.
  void feed(const char* data, std::size_t size);
  // The next whole message, or no value when more bytes are needed. Sets
  // `malformed()` on an unknown operation byte.
  std::optional<OperationMessage> next();
  bool malformed() const { return malformed_; }
  // True when bytes of an unfinished message are left.
  bool pending() const { return position_ < buffer_.size(); }

 private:
  std::string buffer_;
  std::size_t position_ = 0;
  bool malformed_ = false;
};

// One line of a request trace: `add 821000000001 "Label"`, `remove 1`, ...
std::string describeOperation(const OperationMessage& message);

// The service's answer to a completion: the request completed, or the
// platform failed it (the error's code and reason travel; its domain is the
// platform's own).
struct Answer {
  std::optional<platform::CallDirectoryError> failure;
  bool completed() const { return !failure; }
};

std::string encodeAnswer(const Answer& answer);
// Decodes a whole answer; no value when `bytes` is not one.
std::optional<Answer> decodeAnswer(std::string_view bytes);

}  // namespace calldir::wire

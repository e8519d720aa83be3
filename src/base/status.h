// The result of a fallible call of the project's own code: ok, or an error
// with a message for people that names what failed. The kind says whose
// fault it is, so that a command can turn it into its exit status without
// reading the message.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace calldir::base {

class [[nodiscard]] Status {
 public:
  enum class Kind {
    kOk,
    kInvalidArgument,  // the input or the request cannot be used as it is
    kIoError,          // a file, descriptor or store could not be read or written
  };

  Status() = default;
  static Status Ok() { return Status(); }
  static Status InvalidArgument(std::string message) {
    return Status(Kind::kInvalidArgument, std::move(message));
  }
  static Status IoError(std::string message) { return Status(Kind::kIoError, std::move(message)); }

  bool ok() const { return kind_ == Kind::kOk; }
  Kind kind() const { return kind_; }
  const std::string& message() const { return message_; }

  // The same error with `context` and ": " before its message.
  Status withContext(std::string_view context) const;

 private:
  Status(Kind kind, std::string message) : kind_(kind), message_(std::move(message)) {}
  Kind kind_ = Kind::kOk;
  std::string message_;
};

// An I/O error "<what>: <strerror(errno_value)>".
Status errnoStatus(std::string_view what, int errno_value);

}  // namespace calldir::base

// The result of a fallible call that produces a value: the value, or the
// Status that says why there is none. Every function of the project's own
// code that can fail and has something to give back returns one; nothing is
// handed back through an out-parameter.
#pragma once

#include <optional>
#include <utility>

#include "base/status.h"

namespace calldir::base {

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: a value converts implicitly
  // An error. An ok Status carries no value, so it is taken as a fault of
  // the caller and reported as one rather than read as a value.
  Result(Status status) : status_(std::move(status)) {  // NOLINT: so does an error
    if (status_.ok()) status_ = Status::IoError("internal error: a result without a value");
  }

  bool ok() const { return value_.has_value(); }
  // Ok when there is a value.
  const Status& status() const { return status_; }

  // The value; only when ok().
  T& value() & { return *value_; }
  const T& value() const& { return *value_; }
  T&& value() && { return std::move(*value_); }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  T& operator*() & { return *value_; }
  const T& operator*() const& { return *value_; }

  // The value, or `fallback` when there is none.
  T valueOr(T fallback) && { return ok() ? std::move(*value_) : std::move(fallback); }

 private:
  Status status_;
  std::optional<T> value_;
};

}  // namespace calldir::base

// A clock for tests and benchmarks.
#pragma once

#include <chrono>

#include "platform/clock.h"

namespace calldir::doubles {

using platform::TimePoint;

// A clock that stands still until a test moves it.
class ManualClock : public platform::Clock {
 public:
  explicit ManualClock(TimePoint start) : now_(start) {}
  TimePoint now() override { return now_; }
  void advance(std::chrono::seconds by) { now_ += by; }

 private:
  TimePoint now_;
};

}  // namespace calldir::doubles

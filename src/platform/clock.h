// The clock (the date stand-in) and the platform's description of a date.
#pragma once

#include <chrono>
#include <string>

namespace calldir::platform {

using TimePoint = std::chrono::system_clock::time_point;

class Clock {
 public:
  virtual ~Clock() = default;
  virtual TimePoint now() = 0;
};

class SystemClock : public Clock {
 public:
  TimePoint now() override { return std::chrono::system_clock::now(); }
};

// "YYYY-MM-DD HH:MM:SS +0000", in UTC: how a date renders in a status line.
std::string describeDate(TimePoint time);

}  // namespace calldir::platform

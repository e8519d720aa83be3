#include "platform/clock.h"

#include <ctime>

namespace calldir::platform {

std::string describeDate(TimePoint time) {
  const std::time_t seconds =
      std::chrono::system_clock::to_time_t(std::chrono::time_point_cast<std::chrono::seconds>(time));
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char buffer[64];
  const std::size_t n = std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S +0000", &utc);
  return std::string(buffer, n);
}

}  // namespace calldir::platform

#include "platform/clock.h"

#include <gtest/gtest.h>

namespace calldir::platform {
namespace {

TEST(DescribeDate, RendersUtcWithOffset) {
  EXPECT_EQ(describeDate(std::chrono::system_clock::from_time_t(1704650400)), "2024-01-07 18:00:00 +0000");
}

}  // namespace
}  // namespace calldir::platform

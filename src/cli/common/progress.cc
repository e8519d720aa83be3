#include "cli/common/progress.h"

#include <cstdio>
#include <ostream>

namespace calldir::cli {

namespace {

constexpr auto kRedrawEvery = std::chrono::milliseconds(250);

// 1234567 as "1,234,567".
std::string grouped(std::size_t n) {
  std::string digits = std::to_string(n);
  for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
  return digits;
}

}  // namespace

Progress::Progress(Io& io, bool shown, std::string what, std::string unit,
                   std::chrono::milliseconds quiet_for)
    : io_(io),
      shown_(shown && io.progress),
      quiet_for_(quiet_for),
      what_(std::move(what)),
      unit_(std::move(unit)) {}

void Progress::update(std::size_t done, std::size_t total) {
  if (!shown_) return;
  const auto now = Clock::now();
  if (now - started_ < quiet_for_ || now - last_drawn_ < kRedrawEvery) return;
  last_drawn_ = now;
  const double seconds = std::chrono::duration<double>(now - started_).count();
  const double rate = static_cast<double>(done) / seconds;
  std::string line = "\r" + what_ + ": " + grouped(done);
  if (total > 0) line += " of " + grouped(total);
  line += " " + unit_ + ", " + grouped(static_cast<std::size_t>(rate)) + "/s";
  if (total > done && rate > 0) {
    char left[32];
    std::snprintf(left, sizeof left, ", %.0f s left", static_cast<double>(total - done) / rate);
    line += left;
  }
  io_.err << line << "\033[K" << std::flush;
  drawn_ = true;
}

void Progress::finish() {
  if (!drawn_) return;
  io_.err << "\r\033[K" << std::flush;
  drawn_ = false;
}

}  // namespace calldir::cli

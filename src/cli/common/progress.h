// Progress of long work, on standard error when it is a terminal: how many
// elements are done, at what rate, and the time left. Nothing is shown for
// work that ends within about a second, when standard error is no terminal,
// under --json, or with --quiet.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

#include "cli/common/io.h"

namespace calldir::cli {

class Progress {
 public:
  // `what`: the work, such as "list check"; `unit`: what is counted.
  // Nothing is drawn before `quiet_for` has passed.
  Progress(Io& io, bool shown, std::string what, std::string unit,
           std::chrono::milliseconds quiet_for = std::chrono::seconds(1));
  ~Progress() { finish(); }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // `done` of `total` (0: not known); cheap enough to call for every batch.
  void update(std::size_t done, std::size_t total);
  // Clears the progress line, if one was drawn.
  void finish();

  // update() as a callback for the list tools.
  std::function<void(std::size_t, std::size_t)> callback() {
    return [this](std::size_t done, std::size_t total) { update(done, total); };
  }

 private:
  using Clock = std::chrono::steady_clock;

  Io& io_;
  bool shown_;
  std::chrono::milliseconds quiet_for_;
  std::string what_;
  std::string unit_;
  Clock::time_point started_ = Clock::now();
  Clock::time_point last_drawn_{};
  bool drawn_ = false;
};

}  // namespace calldir::cli

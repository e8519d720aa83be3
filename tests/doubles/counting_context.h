// A request context that only counts what it is given, for benchmarks that
// measure the extension's own work without the cost of recording it.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/call_directory.h"

namespace calldir::doubles {

class CountingContext : public platform::CallDirectoryExtensionContext {
 public:
  void setDelegate(platform::CallDirectoryExtensionContextDelegate*) override {}
  bool isIncremental() override { return true; }
  void removeAllIdentificationEntries() override {}
  void addIdentificationEntryWithNextSequentialPhoneNumber(std::int64_t number,
                                                           std::string_view label) override {
    sum_ += number + static_cast<std::int64_t>(label.size());
    ++added_;
  }
  void removeIdentificationEntryWithPhoneNumber(std::int64_t) override {}
  void addBlockingEntryWithNextSequentialPhoneNumber(std::int64_t) override {}
  void removeBlockingEntryWithPhoneNumber(std::int64_t) override {}
  void completeRequestWithCompletionHandler(std::function<void(bool)>) override {}

  std::int64_t added() const { return added_; }
  // A sum over every entry, so that the compiler keeps the work.
  std::int64_t sum() const { return sum_; }

 private:
  std::int64_t added_ = 0;
  std::int64_t sum_ = 0;
};

}  // namespace calldir::doubles

// A request context that records what the extension asked of it, for tests.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/call_directory.h"

namespace calldir::doubles {

using platform::CallDirectoryExtensionContextDelegate;

// A context that records every operation as a line of a trace:
// `delegate`, `isIncremental`, `removeAll`, `add(N,"LABEL")`, `remove(N)`,
// `addBlocking(N)`, `removeBlocking(N)`, `complete` or `complete(handler)`.
// Completion succeeds and runs the completion handler, unless the test has
// made the request fail: then the delegate hears of the failure instead.
class RecordingContext : public platform::CallDirectoryExtensionContext {
 public:
  explicit RecordingContext(bool incremental) : incremental_(incremental) {}

  // The request fails with `error` when the extension completes it.
  void failWith(platform::CallDirectoryError error) { failure_ = std::move(error); }

  void setDelegate(CallDirectoryExtensionContextDelegate* delegate) override;
  bool isIncremental() override;
  void removeAllIdentificationEntries() override;
  void addIdentificationEntryWithNextSequentialPhoneNumber(std::int64_t number,
                                                           std::string_view label) override;
  void removeIdentificationEntryWithPhoneNumber(std::int64_t number) override;
  void addBlockingEntryWithNextSequentialPhoneNumber(std::int64_t number) override;
  void removeBlockingEntryWithPhoneNumber(std::int64_t number) override;
  void completeRequestWithCompletionHandler(std::function<void(bool expired)> handler) override;

  CallDirectoryExtensionContextDelegate* delegate() const { return delegate_; }
  const std::vector<std::string>& trace() const { return trace_; }
  // The trace on one line, entries separated by a space.
  std::string joined() const;

 private:
  bool incremental_;
  std::optional<platform::CallDirectoryError> failure_;
  CallDirectoryExtensionContextDelegate* delegate_ = nullptr;
  std::vector<std::string> trace_;
};

}  // namespace calldir::doubles

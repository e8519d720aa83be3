#include "doubles/recording_context.h"

namespace calldir::doubles {

void RecordingContext::setDelegate(CallDirectoryExtensionContextDelegate* delegate) {
  delegate_ = delegate;
  trace_.push_back("delegate");
}

bool RecordingContext::isIncremental() {
  trace_.push_back("isIncremental");
  return incremental_;
}

void RecordingContext::removeAllIdentificationEntries() { trace_.push_back("removeAll"); }

void RecordingContext::addIdentificationEntryWithNextSequentialPhoneNumber(std::int64_t number,
                                                                           std::string_view label) {
  trace_.push_back("add(" + std::to_string(number) + ",\"" + std::string(label) + "\")");
}

void RecordingContext::removeIdentificationEntryWithPhoneNumber(std::int64_t number) {
  trace_.push_back("remove(" + std::to_string(number) + ")");
}

void RecordingContext::addBlockingEntryWithNextSequentialPhoneNumber(std::int64_t number) {
  trace_.push_back("addBlocking(" + std::to_string(number) + ")");
}

void RecordingContext::removeBlockingEntryWithPhoneNumber(std::int64_t number) {
  trace_.push_back("removeBlocking(" + std::to_string(number) + ")");
}

void RecordingContext::completeRequestWithCompletionHandler(std::function<void(bool expired)> handler) {
  trace_.push_back(handler ? "complete(handler)" : "complete");
  if (failure_) {
    if (delegate_ != nullptr) delegate_->requestFailedForExtensionContext(*this, *failure_);
  } else if (handler) {
    handler(false);
  }
}

std::string RecordingContext::joined() const {
  std::string out;
  for (const auto& line : trace_) out += (out.empty() ? "" : " ") + line;
  return out;
}

}  // namespace calldir::doubles

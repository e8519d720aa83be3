#include "device/extension_host.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "base/fd.h"
#include "device/real_device.h"
#include "wire/framing.h"
#include "wire/launch.h"

namespace calldir::device {

using platform::CallDirectoryError;
using platform::CallDirectoryExtensionContext;
using platform::CallDirectoryExtensionContextDelegate;

namespace {

// The request context of an extension process: operations go to the
// service in batches; completion waits for the service's answer.
class PipeContext : public CallDirectoryExtensionContext {
 public:
  PipeContext(int read_fd, int write_fd, bool incremental)
      : read_fd_(read_fd), write_fd_(write_fd), incremental_(incremental) {
    buffer_.reserve(kFlushAt + 4096);
  }

  void setDelegate(CallDirectoryExtensionContextDelegate* delegate) override {
    delegate_ = delegate;
    send(wire::Operation::kSetDelegate);
  }
  bool isIncremental() override {
    send(wire::Operation::kIsIncremental);
    return incremental_;
  }
  void removeAllIdentificationEntries() override {
    send(wire::Operation::kRemoveAll);
    // The service can clear its store while the extension reads its list.
    flush();
  }
  void addIdentificationEntryWithNextSequentialPhoneNumber(std::int64_t number,
                                                           std::string_view label) override {
    send(wire::Operation::kAdd, number, label);
  }
  void removeIdentificationEntryWithPhoneNumber(std::int64_t number) override {
    send(wire::Operation::kRemove, number);
  }
  void addBlockingEntryWithNextSequentialPhoneNumber(std::int64_t number) override {
    send(wire::Operation::kAddBlocking, number);
  }
  void removeBlockingEntryWithPhoneNumber(std::int64_t number) override {
    send(wire::Operation::kRemoveBlocking, number);
  }

  void completeRequestWithCompletionHandler(std::function<void(bool expired)> handler) override {
    send(wire::Operation::kComplete);
    flush();
    const auto outcome = readOutcome();
    if (outcome && !outcome->completed) reportFailure(*outcome);
    if (handler && outcome && outcome->completed) handler(false);
    completed_ = true;
  }

  bool completed() const { return completed_; }

 private:
  static constexpr std::size_t kFlushAt = 1 << 20;
  static constexpr std::size_t kFirstFlushAt = 1 << 14;

  void send(wire::Operation op, std::int64_t number = 0, std::string_view label = {}) {
    wire::encodeOperation(buffer_, op, number, label);
    // The first batch goes early so that the service can start on it.
    if (buffer_.size() >= (flushed_ ? kFlushAt : kFirstFlushAt)) flush();
  }

  void flush() {
    stopIfRefused();
    // A failed write means the service has gone; there is no one left to tell.
    (void)base::writeFully(write_fd_, buffer_);
    buffer_.clear();
    flushed_ = true;
  }

  // The service answers a request it refuses at once, before completion.
  // Then the extension hears of it, records it, and its process ends: the
  // rest of its work would be thrown away.
  void stopIfRefused() {
    pollfd p{read_fd_, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0) return;
    const auto outcome = readOutcome();
    if (outcome && !outcome->completed) reportFailure(*outcome);
    ::_exit(1);
  }

  // Tells the delegate that the platform failed the request.
  void reportFailure(const wire::RequestOutcome& outcome) {
    if (delegate_ == nullptr) return;
    CallDirectoryError error;
    error.code = outcome.code;
    error.reason = outcome.reason;
    delegate_->requestFailedForExtensionContext(*this, error);
  }

  std::optional<wire::RequestOutcome> readOutcome() {
    std::string bytes;
    char chunk[4096];
    for (;;) {
      const ssize_t n = ::read(read_fd_, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      bytes.append(chunk, static_cast<std::size_t>(n));
      if (auto outcome = wire::decodeOutcome(bytes)) return outcome;
    }
    return wire::decodeOutcome(bytes);
  }

  int read_fd_;
  int write_fd_;
  bool incremental_;
  bool completed_ = false;
  bool flushed_ = false;
  CallDirectoryExtensionContextDelegate* delegate_ = nullptr;
  std::string buffer_;
};

int fail(const std::string& message) {
  std::fprintf(stderr, "calldir-extension: %s\n", message.c_str());
  return 2;
}

}  // namespace

int NSExtensionMain(int, char**, std::span<const PrincipalClass> classes) {
  wire::LaunchRequest launch;
  if (base::Status s = wire::readLaunchEnvironment(launch); !s.ok()) return fail(s.message());
  std::optional<DeviceRoot> device;
  if (base::Status s = DeviceRoot::open(launch.root, device); !s.ok()) return fail(s.message());
  const auto class_name = device->principalClass();
  if (!class_name) return fail("the bundle's info names no principal class");
  const PrincipalClass* principal = nullptr;
  for (const PrincipalClass& c : classes) {
    if (*class_name == c.name) principal = &c;
  }
  if (principal == nullptr) return fail("no principal class named " + *class_name + " in this extension");

  RealDevice real(*device);
  // A request writes and synchronizes a status line per delta list element;
  // the checkpoints wait until it is done.
  if (real.settingsStore() != nullptr) real.settingsStore()->deferCheckpoints();
  auto provider = principal->make(real.environment());
  PipeContext context(launch.read_fd, launch.write_fd, launch.incremental);
  provider->beginRequestWithExtensionContext(context);
  return context.completed() ? 0 : 1;
}

}  // namespace calldir::device

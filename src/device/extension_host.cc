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
    const auto answer = readAnswer();
    if (answer && answer->failure) reportFailure(*answer->failure);
    if (handler && answer && answer->completed()) handler(false);
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
    const auto answer = readAnswer();
    if (answer && answer->failure) reportFailure(*answer->failure);
    ::_exit(1);
  }

  // Tells the delegate that the platform failed the request.
  void reportFailure(const CallDirectoryError& error) {
    if (delegate_ != nullptr) delegate_->requestFailedForExtensionContext(*this, error);
  }

  std::optional<wire::Answer> readAnswer() {
    std::string bytes;
    char chunk[4096];
    for (;;) {
      const ssize_t n = ::read(read_fd_, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      bytes.append(chunk, static_cast<std::size_t>(n));
      if (auto answer = wire::decodeAnswer(bytes)) return answer;
    }
    return wire::decodeAnswer(bytes);
  }

  int read_fd_;
  int write_fd_;
  bool incremental_;
  bool completed_ = false;
  bool flushed_ = false;
  CallDirectoryExtensionContextDelegate* delegate_ = nullptr;
  std::string buffer_;
};

// Says why this process cannot serve the request; its exit status.
int cannotServe(const std::string& message) {
  std::fprintf(stderr, "calldir-extension: %s\n", message.c_str());
  return 2;
}

}  // namespace

int NSExtensionMain(int, char**, std::span<const PrincipalClass> classes) {
  const auto launched = wire::readLaunchEnvironment();
  if (!launched.ok()) return cannotServe(launched.status().message());
  const wire::LaunchRequest& launch = *launched;
  const auto device = DeviceRoot::open(launch.root);
  if (!device.ok()) return cannotServe(device.status().message());
  const auto class_name = device->principalClass();
  if (!class_name) return cannotServe("the bundle's info names no principal class");
  const PrincipalClass* principal = nullptr;
  for (const PrincipalClass& c : classes) {
    if (*class_name == c.name) principal = &c;
  }
  if (principal == nullptr)
    return cannotServe("no principal class named " + *class_name + " in this extension");

  RealDevice real(*device);
  // A request writes and synchronizes a status line per delta list element;
  // the checkpoints, and the syncs to the disk, wait until it is done.
  platform::SqliteSettingsStore* settings = real.settingsStore();
  if (settings != nullptr) {
    settings->deferCheckpoints();
    settings->deferDurability();
  }
  auto provider = principal->make(real.environment());
  PipeContext context(launch.read_fd, launch.write_fd, launch.incremental);
  provider->beginRequestWithExtensionContext(context);
  // Everything the request recorded is on the disk before this process
  // ends, and so before the service reports the request done.
  if (settings != nullptr) {
    if (auto s = settings->makeDurable(); !s.ok()) return cannotServe(s.message());
  }
  return context.completed() ? 0 : 1;
}

}  // namespace calldir::device

#include "doubles/in_memory_settings.h"

namespace calldir::doubles {

class InMemorySettings : public Settings {
 public:
  explicit InMemorySettings(InMemorySettingsProvider& owner) : owner_(owner) {}
  ~InMemorySettings() override {
    if (wrote_ && !owner_.pending_.empty()) flush();
  }

  std::optional<std::string> objectForKey(std::string_view key) override {
    const std::string k(key);
    if (auto it = owner_.pending_.find(k); it != owner_.pending_.end()) return it->second;
    if (auto it = owner_.committed_.find(k); it != owner_.committed_.end()) return it->second;
    return std::nullopt;
  }

  void setObject(std::string_view value, std::string_view key) override {
    owner_.trace_.push_back("set " + std::string(key) + "=" + std::string(value));
    owner_.pending_[std::string(key)] = std::string(value);
    wrote_ = true;
  }

  void removeObjectForKey(std::string_view key) override {
    owner_.trace_.push_back("unset " + std::string(key));
    owner_.pending_[std::string(key)] = std::nullopt;
    wrote_ = true;
  }

  bool synchronize() override {
    owner_.trace_.push_back("sync");
    flush();
    return true;
  }

 private:
  void flush() {
    platform::applyPendingWrites(owner_.committed_, owner_.pending_);
    owner_.pending_.clear();
    wrote_ = false;
  }

  InMemorySettingsProvider& owner_;
  bool wrote_ = false;
};

std::unique_ptr<Settings> InMemorySettingsProvider::initWithSuiteName(std::string_view suite) {
  suites_.emplace_back(suite);
  return std::make_unique<InMemorySettings>(*this);
}

SettingsSnapshot InMemorySettingsProvider::current() const {
  SettingsSnapshot all = committed_;
  platform::applyPendingWrites(all, pending_);
  return all;
}

}  // namespace calldir::doubles

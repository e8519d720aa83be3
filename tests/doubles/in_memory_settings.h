// Shared settings kept in memory, for tests and benchmarks.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings.h"

namespace calldir::doubles {

using platform::Settings;
using platform::SettingsSnapshot;

// Settings kept in memory, recording what was asked of them: each write as
// `set KEY=VALUE`, each removal as `unset KEY` and each flush as `sync`, in
// order, so that tests read the trace of a request. Pending writes behave as
// in the real store; `synchronize` moves them into `committed()`.
class InMemorySettingsProvider : public platform::SettingsProvider {
 public:
  std::unique_ptr<Settings> initWithSuiteName(std::string_view suite) override;

  // Values as committed by `synchronize` (or the release of a writing handle).
  const SettingsSnapshot& committed() const { return committed_; }
  // Committed values with the pending writes applied.
  SettingsSnapshot current() const;
  // Sets a committed value directly, as another process would.
  void put(std::string_view key, std::string_view value) { committed_[std::string(key)] = value; }
  void erase(std::string_view key) { committed_.erase(std::string(key)); }

  const std::vector<std::string>& trace() const { return trace_; }
  void clearTrace() { trace_.clear(); }
  // Suite names that handles were opened with, in order.
  const std::vector<std::string>& suites() const { return suites_; }

 private:
  friend class InMemorySettings;
  SettingsSnapshot committed_;
  std::map<std::string, std::optional<std::string>> pending_;
  std::vector<std::string> trace_;
  std::vector<std::string> suites_;
};

}  // namespace calldir::doubles

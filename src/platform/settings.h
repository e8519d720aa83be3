// The shared settings of an app group (the user defaults stand-in): a store of
// string values under string keys, shared with the containing application.
//
// A process opens one SettingsStore per store and any number of cheap
// Settings handles on it. Writes through any handle are kept by the store
// until a `synchronize` (or the release of a handle that wrote), which brings
// every pending write to the store as one group: all of it or none of it.
// Reads see the process's own pending writes first, then whatever is in the
// store now, including what other processes committed a moment ago.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calldir::platform {

// One open instance of the shared settings. Not thread-safe; cheap to make.
class Settings {
 public:
  virtual ~Settings() = default;

  // The string stored under `key`; no value when the key is absent or holds
  // something other than a string.
  virtual std::optional<std::string> objectForKey(std::string_view key) = 0;

  // Stores `value` under `key`, replacing what was there.
  virtual void setObject(std::string_view value, std::string_view key) = 0;

  // Removes `key`.
  virtual void removeObjectForKey(std::string_view key) = 0;

  // Makes the pending writes durable and visible to other processes, as one
  // group. Returns false when the store could not take them.
  virtual bool synchronize() = 0;
};

// Opens settings handles by suite name (the app group identifier).
class SettingsProvider {
 public:
  virtual ~SettingsProvider() = default;
  virtual std::unique_ptr<Settings> initWithSuiteName(std::string_view suite) = 0;
};

// Every value of a store, for listing.
using SettingsSnapshot = std::map<std::string, std::string>;

// Applies pending writes (a map of key to value, no value for a removal) to
// `values`, as a synchronize would.
template <typename PendingWrites>
void applyPendingWrites(SettingsSnapshot& values, const PendingWrites& pending) {
  for (const auto& [key, value] : pending) {
    if (value) {
      values[key] = *value;
    } else {
      values.erase(key);
    }
  }
}

// Settings kept in memory, recording what was asked of them: each write as
// `set KEY=VALUE`, each removal as `unset KEY` and each flush as `sync`, in
// order, so that tests read the trace of a request. Pending writes behave as
// in the real store; `synchronize` moves them into `committed()`.
class InMemorySettingsProvider : public SettingsProvider {
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

}  // namespace calldir::platform

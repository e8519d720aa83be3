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

// The settings of a store that cannot be opened, or of a suite the process
// is not entitled to: every read finds nothing and every write is lost.
class UnavailableSettings : public Settings {
 public:
  std::optional<std::string> objectForKey(std::string_view) override { return std::nullopt; }
  void setObject(std::string_view, std::string_view) override {}
  void removeObjectForKey(std::string_view) override {}
  bool synchronize() override { return false; }
};

class UnavailableSettingsProvider : public SettingsProvider {
 public:
  std::unique_ptr<Settings> initWithSuiteName(std::string_view) override {
    return std::make_unique<UnavailableSettings>();
  }
};

}  // namespace calldir::platform

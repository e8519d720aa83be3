// The shared settings store on SQLite: one database file in the app group's
// container, table `settings(key TEXT PRIMARY KEY, value)`, WAL mode. Other
// processes (the containing application, `sqlite3`, another calldir) may read
// and write it at the same time; a busy store makes calls wait, not fail.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/settings.h"

namespace calldir::platform {

class SqliteSettingsStore : public SettingsProvider {
 public:
  // Opens the store at `path` for the suite `suite`, creating the file when
  // `create` is set. When it cannot be opened, the store behaves as an empty
  // store whose writes are lost, and `error()` says why.
  SqliteSettingsStore(std::string path, std::string suite, bool create = true);
  ~SqliteSettingsStore() override;

  // A handle on this store for `suite`; a handle for any other suite reads
  // nothing and loses its writes (the process is not entitled to it).
  std::unique_ptr<Settings> initWithSuiteName(std::string_view suite) override;

  bool ok() const { return impl_ != nullptr; }
  const std::string& error() const { return error_; }

  // Every string value in the store (pending writes of this process
  // included), or no value when the store cannot be read.
  std::optional<SettingsSnapshot> snapshot();

 private:
  friend class SqliteSettings;
  struct Impl;
  std::optional<std::string> read(std::string_view key);
  void write(std::string_view key, std::optional<std::string_view> value);
  bool flush();
  bool hasPending() const;

  std::string suite_;
  std::string error_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace calldir::platform

// The shared settings store on SQLite: one database file in the app group's
// container, table `settings(key TEXT PRIMARY KEY, value)`, WAL mode. Other
// processes (the containing application, `sqlite3`, another calldir) may read
// and write it at the same time; a busy store makes calls wait, not fail.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "base/access.h"
#include "base/result.h"
#include "base/status.h"
#include "platform/settings.h"

namespace calldir::platform {

// Values longer than this read as missing through a settings handle, as
// values that are not text do: no key the extension reads holds more than a
// few bytes, and a huge one is never copied into a status line.
inline constexpr std::size_t kMaxValueBytes = 64 * 1024;

class SqliteSettingsStore : public SettingsProvider {
 public:
  // Opens the store at `path` for the suite `suite`, as `access` says. A
  // store opened to read only takes no writes: a synchronize with pending
  // writes fails.
  static base::Result<std::unique_ptr<SqliteSettingsStore>> open(const std::string& path, std::string suite,
                                                                 base::Access access);
  ~SqliteSettingsStore() override;

  // A handle on this store for `suite`; a handle for any other suite reads
  // nothing and loses its writes (the process is not entitled to it).
  std::unique_ptr<Settings> initWithSuiteName(std::string_view suite) override;

  // Every string value in the store, pending writes of this process
  // included.
  base::Result<SettingsSnapshot> snapshot();

  // Checks the database file for damage (SQLite's quick check). Errors of
  // this and snapshot() name the file.
  base::Status check();

  // Leaves the copying of committed writes back into the database file (the
  // WAL checkpoint) until this store closes, for a process that writes many
  // small groups in a row. What a synchronize promises is unchanged: each
  // group is committed, visible to other processes, in the WAL.
  void deferCheckpoints();

  // For a process that synchronizes a status line per element, each of which
  // needs to be seen by other processes and outlive a kill, but not to be on
  // the disk before the next: synchronizes commit without syncing, until
  // makeDurable() syncs everything committed so far at once. A store opened
  // to write otherwise syncs every synchronize before it returns.
  void deferDurability();

  // Synchronizes what is pending and makes every committed write durable
  // (the WAL synced to the disk), whatever other processes hold open.
  base::Status makeDurable();

 private:
  friend class SqliteSettings;
  struct Impl;
  SqliteSettingsStore(std::string path, std::string suite, std::unique_ptr<Impl> impl);
  std::optional<std::string> read(std::string_view key);
  void write(std::string_view key, std::optional<std::string_view> value);
  bool flush();
  bool hasPending() const;

  std::string path_;
  std::string suite_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace calldir::platform

// The one way into a device from the command line: the device root, its
// shared container and list files (from the root alone: reading or
// installing a list opens no settings database), and the shared settings
// and the call directory store, each opened at most once per command, when
// first asked for. What the delta lists hold is read once per command too.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "base/result.h"
#include "device/device_root.h"
#include "device/shared_container.h"
#include "platform/sqlite_settings.h"
#include "storage/list_files.h"
#include "telephony/call_directory_store.h"

namespace calldir::cli {

// What a delta list in the container holds, as the status tells it.
struct DeltaListState {
  storage::ListContent::Kind kind = storage::ListContent::Kind::kMissing;
  std::size_t elements = 0;  // for list data
  bool malformed = false;    // list data that is not a JSON array: emptied without changes
  bool waiting() const { return kind == storage::ListContent::Kind::kList; }
};

class DeviceAccess {
 public:
  // The device at `root`; the error says how to make one. Its stores are
  // opened as `access` says: to read only, or created when missing.
  static base::Result<std::unique_ptr<DeviceAccess>> open(const std::string& root,
                                                          base::Access access = base::Access::kCreate);
  DeviceAccess(const DeviceAccess&) = delete;
  DeviceAccess& operator=(const DeviceAccess&) = delete;

  const device::DeviceRoot& root() const { return root_; }
  device::SharedContainer& container() { return container_; }
  storage::ListFiles& lists() { return lists_; }

  // The shared settings; errors name the file.
  base::Result<platform::SqliteSettingsStore*> settings();
  // The call directory store; errors name the file.
  base::Result<telephony::CallDirectoryStore*> store();
  // The settings and the store once opened: for a command whose row has the
  // dispatcher open them (kOpensSettings, kOpensStore).
  platform::SqliteSettingsStore& openedSettings() { return *settings_; }
  telephony::CallDirectoryStore& openedStore() { return *store_; }
  // True when the store's file exists, so that reading it creates nothing.
  bool hasStore() const;

  // What the container's delta list `name` holds, read once.
  const DeltaListState& deltaList(std::string_view name);
  // Records what the delta list `name` holds, learned otherwise (just
  // written, or read whole by the caller), so that it is not read again.
  void know(std::string_view name, DeltaListState state) { delta_lists_[std::string(name)] = state; }

 private:
  DeviceAccess(device::DeviceRoot root, base::Access access);

  device::DeviceRoot root_;
  base::Access access_;
  device::SharedContainer container_;
  storage::ListFiles lists_;
  std::unique_ptr<platform::SqliteSettingsStore> settings_;
  std::unique_ptr<telephony::CallDirectoryStore> store_;
  std::map<std::string, DeltaListState, std::less<>> delta_lists_;
};

}  // namespace calldir::cli

#include "cli/common/device_access.h"

#include "base/file_io.h"
#include "storage/caller_list.h"

namespace calldir::cli {

DeviceAccess::DeviceAccess(device::DeviceRoot root, base::Access access)
    : root_(std::move(root)),
      access_(access),
      container_(root_),
      lists_(container_.files(), container_.bundle(), root_.group()) {}

base::Result<std::unique_ptr<DeviceAccess>> DeviceAccess::open(const std::string& root, base::Access access) {
  auto device = device::DeviceRoot::open(root);
  if (!device.ok()) return device.status();
  return std::unique_ptr<DeviceAccess>(new DeviceAccess(std::move(device).value(), access));
}

base::Result<platform::SqliteSettingsStore*> DeviceAccess::settings() {
  if (!settings_) {
    auto opened = platform::SqliteSettingsStore::open(root_.paths().settings, root_.group(), access_);
    if (!opened.ok()) return opened.status().withContext("cannot open the shared settings");
    settings_ = std::move(opened).value();
  }
  return settings_.get();
}

base::Result<telephony::CallDirectoryStore*> DeviceAccess::store() {
  if (!store_) {
    auto opened = telephony::CallDirectoryStore::open(root_.paths().store, access_);
    if (!opened.ok()) return opened.status();
    store_ = std::move(opened).value();
  }
  return store_.get();
}

bool DeviceAccess::hasStore() const { return base::pathExists(root_.paths().store).valueOr(true); }

const DeltaListState& DeviceAccess::deltaList(std::string_view name) {
  if (auto it = delta_lists_.find(name); it != delta_lists_.end()) return it->second;
  storage::ListContent content = lists_.readGroupList(name);
  DeltaListState state{content.kind};
  if (content.holdsData()) {
    const auto count = storage::countListElements(std::move(content.plain));
    state.elements = count.value_or(0);
    state.malformed = !count;
  }
  return delta_lists_.emplace(std::string(name), state).first->second;
}

}  // namespace calldir::cli

#include "cli/app_commands.h"

#include <ostream>
#include <vector>

#include "base/json_writer.h"
#include "cli/device_access.h"
#include "cli/list_install.h"
#include "device/real_device.h"
#include "handler/keys.h"
#include "platform/files.h"
#include "storage/list_files.h"
#include "telephony/request_driver.h"

namespace calldir::cli {

namespace {

base::Status setControlKey(const device::DeviceRoot& device, std::string_view key, std::string_view value) {
  std::unique_ptr<platform::SqliteSettingsStore> store;
  if (base::Status s = openSharedSettings(device, store); !s.ok()) return s;
  auto settings = store->initWithSuiteName(device.group());
  settings->setObject(value, key);
  if (!settings->synchronize()) return base::Status::IoError("cannot write the shared settings");
  return base::Status::Ok();
}

}  // namespace

int runAppRestore(const std::string& root, bool reload, const ReloadOptions& options, Io& io) {
  std::optional<device::DeviceRoot> device;
  if (base::Status s = openDevice(root, device); !s.ok()) return fail(io, "", s);
  if (telephony::isLoading(*device)) {
    warn(
        io,
        "a request is loading now; if it is a restore from zero, its end sets CDListClearAllYN back to N, so "
        "check `calldir status` once it is done");
  }
  if (base::Status s = setControlKey(*device, handler::kClearAllKey, "Y"); !s.ok()) return fail(io, "", s);
  const Action action{
      [](base::JsonWriter& json) {
        json.beginObject().key("set").beginObject().key(handler::kClearAllKey).value("Y");
        json.endObject().endObject();
      },
      std::string(handler::kClearAllKey) + " = Y: the next incremental request restores from zero"};
  return reportAction(*device, action, reload, options, io);
}

namespace {

// Refuses, with what it holds, a delta list that still waits for a request.
base::Status checkNotWaiting(const device::DeviceRoot& device, std::string_view name) {
  device::RealDevice real(device);
  const platform::Environment env = real.environment();
  storage::ListFiles files(env.files, env.bundle, env.group);
  const storage::GroupListState state = files.inspectGroupFile(name);
  if (state.kind != storage::GroupListState::Kind::kWaiting) return base::Status::Ok();
  return base::Status::InvalidArgument(
      std::string(name) + " still waits for a request (" +
      (state.malformed ? std::string("a malformed list") : std::to_string(state.elements) + " element(s)") +
      "); run `calldir reload` first, or pass --replace to drop its changes");
}

}  // namespace

int runAppPut(const std::string& root, const AppPutOptions& options, Io& io) {
  std::optional<device::DeviceRoot> device;
  if (base::Status s = openDevice(root, device); !s.ok()) return fail(io, "", s);
  if (options.add_file.empty() && options.del_file.empty()) {
    return fail(io, "app put: name a list with --add FILE and/or --del FILE", kExitBadInput);
  }
  const std::pair<const std::string*, std::string_view> lists[] = {
      {&options.del_file, handler::kDeleteListName}, {&options.add_file, handler::kAddListName}};
  // Nothing is dropped while a list it would replace still waits.
  for (const auto& [file, name] : lists) {
    if (file->empty() || options.replace) continue;
    if (base::Status s = checkNotWaiting(*device, name); !s.ok()) {
      fail(io, "app put", s);
      return kExitNegative;
    }
  }
  std::vector<std::string> dropped;
  for (const auto& [file, name] : lists) {
    if (file->empty()) continue;
    const std::string path = platform::appendingPathComponent(device->paths().container, name);
    const lists::ListRole role =
        name == handler::kDeleteListName ? lists::ListRole::kDel : lists::ListRole::kAdd;
    if (base::Status s = installListFile(*file, path, ListSource::kAuto, role, io); !s.ok()) {
      return fail(io, "app put", s);
    }
    dropped.emplace_back(name);
  }
  std::string text;
  for (const auto& name : dropped)
    text += (text.empty() ? "" : "\n") + std::string("dropped ") + name + " into the shared container";
  const Action action{[dropped](base::JsonWriter& json) {
                        json.beginObject().key("dropped").beginArray();
                        for (const auto& name : dropped) json.value(name);
                        json.endArray().endObject();
                      },
                      text};
  return reportAction(*device, action, options.reload, options.request, io);
}

}  // namespace calldir::cli

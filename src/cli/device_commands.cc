#include "cli/device_commands.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <ostream>
#include <sstream>

#include "cli/json_output.h"
#include "codec/text_decoding.h"
#include "handler/keys.h"
#include "platform/environment.h"
#include "platform/json.h"
#include "platform/text.h"
#include "storage/caller_list.h"
#include "storage/list_files.h"

namespace calldir::cli {

namespace fs = std::filesystem;

std::optional<platform::DeviceRoot> openDevice(const std::string& root, Io& io) {
  std::string error;
  auto device = platform::DeviceRoot::open(root, error);
  if (!device) io.err << "calldir: " << error << "\n";
  return device;
}

int runInit(const std::string& root, const std::string& group, Io& io) {
  if (platform::Status s = platform::DeviceRoot::checkGroup(group); !s.ok) {
    io.err << "calldir init: " << s.message << "\n";
    return kExitBadInput;
  }
  std::string ignored;
  if (auto existing = platform::DeviceRoot::open(root, ignored); existing && existing->group() != group) {
    io.err << "calldir init: the device root " << root << " was made for the app group \""
           << existing->group() << "\", not \"" << group << "\"; use --group " << existing->group()
           << " or another --root\n";
    return kExitBadInput;
  }
  if (platform::Status s = platform::DeviceRoot::init(root, group); !s.ok) {
    io.err << "calldir init: " << s.message << "\n";
    return kExitFailure;
  }
  auto device = openDevice(root, io);
  if (!device) return kExitFailure;
  // Create the settings store now, so that other tools find it.
  platform::SqliteSettingsStore store(device->paths().settings, group);
  if (!store.ok()) {
    io.err << "calldir init: " << store.error() << "\n";
    return kExitFailure;
  }
  io.out << "device root " << root << " (app group " << group << ")\n";
  return kExitOk;
}

int runPaths(const std::string& root, bool json, Io& io) {
  auto device = openDevice(root, io);
  if (!device) return kExitFailure;
  const platform::DevicePaths& p = device->paths();
  const std::pair<const char*, const std::string*> rows[] = {
      {"root", &p.root},     {"container", &p.container}, {"settings", &p.settings},
      {"bundle", &p.bundle}, {"resources", &p.resources}, {"store", &p.store},
  };
  if (json) {
    io.out << "{";
    bool first = true;
    for (const auto& [name, value] : rows) {
      io.out << (first ? "" : ", ") << jsonQuote(name) << ": " << jsonQuote(*value);
      first = false;
    }
    io.out << "}\n";
  } else {
    for (const auto& [name, value] : rows) io.out << name << "\t" << *value << "\n";
  }
  return kExitOk;
}

int installListFile(const std::string& who, const std::string& source, const std::string& path,
                    ResourceMode mode, Io& io) {
  auto data = readInput(source, io);
  if (!data) return kExitFailure;
  if (mode == ResourceMode::kAuto) {
    const std::size_t first = data->find_first_not_of(" \t\r\n");
    const bool plain = first != std::string::npos && ((*data)[first] == '[' || (*data)[first] == '{');
    mode = plain ? ResourceMode::kPlain : ResourceMode::kEncoded;
  }
  std::string content;
  if (mode == ResourceMode::kPlain) {
    if (auto why = platform::whyNotJsonArray(*data)) {
      io.err << who << ": " << (source == "-" ? "standard input" : source)
             << " is not a caller list: " << *why << "\n";
      return kExitBadInput;
    }
    content = codec::encodeListText(*data);
  } else {
    content = std::move(*data);
  }
  // Write beside the target and rename, so that a reader never sees half a list.
  const std::string temporary = path + ".calldir-tmp";
  {
    std::ostringstream ignored;
    Io quiet{io.in, ignored, io.err};
    if (!writeOutput(temporary, content, quiet)) return kExitFailure;
  }
  std::error_code ec;
  fs::rename(temporary, path, ec);
  if (ec) {
    io.err << who << ": cannot install " << path << ": " << ec.message() << "\n";
    fs::remove(temporary, ec);
    return kExitFailure;
  }
  return kExitOk;
}

int runBundlePutResource(const std::string& root, const std::string& file, ResourceMode mode, Io& io) {
  auto device = openDevice(root, io);
  if (!device) return kExitFailure;
  const std::string path =
      device->paths().resources + "/" + std::string(handler::kZeroResourceName) + ".json";
  const int status = installListFile("calldir bundle put-resource", file, path, mode, io);
  if (status == kExitOk) io.out << "installed " << path << "\n";
  return status;
}

namespace {

// Opens the settings store of a device, saying why not on failure.
std::unique_ptr<platform::SqliteSettingsStore> openStore(const platform::DeviceRoot& device, Io& io) {
  auto store =
      std::make_unique<platform::SqliteSettingsStore>(device.paths().settings, device.group(), false);
  if (!store->ok()) {
    io.err << "calldir: cannot open the shared settings: " << store->error() << "\n";
    return nullptr;
  }
  return store;
}

}  // namespace

int runSettingsList(const std::string& root, bool json, Io& io) {
  auto device = openDevice(root, io);
  if (!device) return kExitFailure;
  auto store = openStore(*device, io);
  if (!store) return kExitFailure;
  auto values = store->snapshot();
  if (!values) {
    io.err << "calldir settings list: cannot read the shared settings\n";
    return kExitFailure;
  }
  if (json) {
    io.out << "{";
    bool first = true;
    for (const auto& [key, value] : *values) {
      io.out << (first ? "" : ", ") << jsonQuote(key) << ": " << jsonQuote(value);
      first = false;
    }
    io.out << "}\n";
  } else {
    for (const auto& [key, value] : *values) io.out << key << "\t" << value << "\n";
  }
  return kExitOk;
}

int runSettingsGet(const std::string& root, const std::string& key, Io& io) {
  auto device = openDevice(root, io);
  if (!device) return kExitFailure;
  auto store = openStore(*device, io);
  if (!store) return kExitFailure;
  auto value = store->initWithSuiteName(device->group())->objectForKey(key);
  if (!value) {
    io.err << "calldir settings get: " << key << " is not set\n";
    return kExitNegative;
  }
  io.out << *value << "\n";
  return kExitOk;
}

namespace {

// Stores `value` under `key`, or removes the key when there is no value.
int changeSetting(const std::string& root, const std::string& key, const std::optional<std::string>& value,
                  Io& io) {
  auto device = openDevice(root, io);
  if (!device) return kExitFailure;
  auto store = openStore(*device, io);
  if (!store) return kExitFailure;
  auto settings = store->initWithSuiteName(device->group());
  if (value) {
    settings->setObject(*value, key);
  } else {
    settings->removeObjectForKey(key);
  }
  if (!settings->synchronize()) {
    io.err << "calldir settings: the shared settings did not take the change to " << key << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace

int runSettingsSet(const std::string& root, const std::string& key, const std::string& value, Io& io) {
  return changeSetting(root, key, value, io);
}

int runSettingsUnset(const std::string& root, const std::string& key, Io& io) {
  return changeSetting(root, key, std::nullopt, io);
}

namespace {

// What a delta list in the container holds, as the next update would see it.
std::string deltaListState(storage::ListFiles& files, platform::FileManager& fm, const std::string& container,
                           std::string_view name) {
  const std::string path = platform::appendingPathComponent(container, name);
  if (!fm.fileExistsAtPath(path)) return "missing";
  std::string stored;
  auto plain = files.readJsonDataFromGroupFile(name, stored);
  if (stored.empty()) return "empty";
  if (!storage::holdsListData(plain)) return "no data (does not decode, or shorter than 16 characters)";
  auto list = storage::parseCallerList(std::move(*plain));
  if (!list) return "waiting, malformed (will be emptied without changes)";
  return "waiting, " + std::to_string(list->count()) + " element(s)";
}

}  // namespace

int runStatus(const std::string& root, bool json, Io& io) {
  auto device = openDevice(root, io);
  if (!device) return kExitFailure;
  platform::RealDevice real(*device);
  if (!real.settingsStore().ok()) {
    io.err << "calldir status: cannot open the shared settings: " << real.settingsStore().error() << "\n";
    return kExitFailure;
  }
  auto env = real.environment();
  auto settings = env.settings.initWithSuiteName(env.group);
  const auto flag_value = settings->objectForKey(handler::kClearAllKey);
  const auto restore_value = settings->objectForKey(handler::kRestoreStatusKey);
  const std::string flag = flag_value.value_or("N");
  const std::string restore = restore_value.value_or("EMPTY");

  storage::ListFiles files(env.files, env.bundle, env.group);
  auto container = env.files.containerURLForSecurityApplicationGroupIdentifier(env.group);
  std::string del_state = "no container";
  std::string add_state = "no container";
  if (container) {
    del_state = deltaListState(files, env.files, *container, handler::kDeleteListName);
    add_state = deltaListState(files, env.files, *container, handler::kAddListName);
  }
  const bool has_resource = env.bundle.pathForResource(handler::kZeroResourceName, "json").has_value();

  std::string action;
  std::string next;
  if (flag == "Y") {
    action = "restore";
    next = "restore from zero: remove every entry and add the list resource callersAdd_Zero.json";
    if (!has_resource) next += " (there is none installed, so it will record \"Restore NO DATA\")";
  } else if (restore == "END") {
    action = "update";
    next = "update from the delta lists (callersDel.json: " + del_state + "; callersAdd.json: " + add_state +
           ")";
  } else {
    action = "nothing";
    next =
        "nothing: the clear-all flag is not \"Y\" and the restore status is \"" + restore + "\", not \"END\"";
    if (restore == "START") {
      next +=
          "; a restore from zero that found no usable data leaves \"START\" behind, so set the flag to \"Y\" "
          "again (calldir app restore) once the list resource is fixed";
    }
  }

  std::vector<std::pair<std::string, std::string>> status_values;
  for (std::string_view key : handler::kStatusKeys) {
    if (auto value = settings->objectForKey(key)) status_values.emplace_back(std::string(key), *value);
  }

  if (json) {
    io.out << "{\"group\": " << jsonQuote(env.group) << ", \"control\": {" << jsonQuote(handler::kClearAllKey)
           << ": {\"value\": " << jsonQuote(flag) << ", \"set\": " << (flag_value ? "true" : "false") << "}, "
           << jsonQuote(handler::kRestoreStatusKey) << ": {\"value\": " << jsonQuote(restore)
           << ", \"set\": " << (restore_value ? "true" : "false") << "}}, \"status\": {";
    bool first = true;
    for (const auto& [key, value] : status_values) {
      io.out << (first ? "" : ", ") << jsonQuote(key) << ": " << jsonQuote(value);
      first = false;
    }
    io.out << "}, \"next\": {\"action\": " << jsonQuote(action) << ", \"description\": " << jsonQuote(next)
           << "}, \"delta_lists\": {" << jsonQuote(handler::kDeleteListName) << ": " << jsonQuote(del_state)
           << ", " << jsonQuote(handler::kAddListName) << ": " << jsonQuote(add_state)
           << "}, \"resource_installed\": " << (has_resource ? "true" : "false") << "}\n";
    return kExitOk;
  }
  io.out << handler::kClearAllKey << " = " << flag << (flag_value ? "" : " (not set; the default)") << "\n";
  io.out << handler::kRestoreStatusKey << " = " << restore << (restore_value ? "" : " (not set; the default)")
         << "\n";
  for (const auto& [key, value] : status_values) io.out << key << " = " << value << "\n";
  io.out << "callersDel.json: " << del_state << "\ncallersAdd.json: " << add_state << "\n";
  io.out << "next incremental request: " << next << "\n";
  return kExitOk;
}

}  // namespace calldir::cli

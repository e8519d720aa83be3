#include "cli/settings_commands.h"

#include <memory>
#include <ostream>

#include "base/json_writer.h"
#include "cli/device_access.h"
#include "cli/session.h"

namespace calldir::cli {

namespace {

// Every value of the device's shared settings, read whole (a value too long
// for the extension to take included).
base::Result<platform::SettingsSnapshot> readSettings(const std::string& root) {
  auto device = DeviceAccess::open(root);
  if (!device.ok()) return device.status();
  auto store = (*device)->settings();
  if (!store.ok()) return store.status();
  return (*store)->snapshot();
}

}  // namespace

int runSettingsList(const SettingsListOptions& options, Io& io) {
  const auto values = readSettings(options.root);
  if (!values.ok()) return fail(io, "settings list", values.status());
  if (options.json) {
    base::JsonWriter out;
    out.beginObject();
    for (const auto& [key, value] : *values) out.key(key).value(value);
    io.out << out.endObject().finish();
  } else {
    for (const auto& [key, value] : *values)
      io.out << escapeForLine(key) << "\t" << escapeForLine(value) << "\n";
  }
  return kExitOk;
}

int runSettingsGet(const SettingsGetOptions& options, Io& io) {
  const auto values = readSettings(options.root);
  if (!values.ok()) return fail(io, "settings get", values.status());
  const auto it = values->find(options.key);
  if (it == values->end()) return exitWith(io, "settings get: " + options.key + " is not set", kExitNegative);
  io.out << it->second << "\n";
  return kExitOk;
}

int runSettingsChange(const SettingsChangeOptions& options, Io& io) {
  auto device = DeviceAccess::open(options.root);
  if (!device.ok()) return fail(io, "", device.status());
  auto store = (*device)->settings();
  if (!store.ok()) return fail(io, "settings", store.status());
  auto settings = (*store)->initWithSuiteName((*device)->root().group());
  if (options.value) {
    settings->setObject(*options.value, options.key);
  } else {
    settings->removeObjectForKey(options.key);
  }
  if (!settings->synchronize()) {
    return exitWith(io, "settings: the shared settings did not take the change to " + options.key,
                    kExitFailure);
  }
  return kExitOk;
}

void addSettingsCommands(CLI::App& app, Session& session) {
  auto* group = addGroup(app, "settings", "Read and write the shared settings", session);
  auto list_options = std::make_shared<SettingsListOptions>();
  auto* list = group->add_subcommand("list", "Every key and its value");
  list->add_flag("--json", list_options->json, "One JSON object of key to value");
  list->callback([&session, list_options] {
    list_options->root = session.root();
    session.status = runSettingsList(*list_options, session.io);
  });

  auto get_options = std::make_shared<SettingsGetOptions>();
  auto* get = group->add_subcommand("get", "Print the value of KEY (exit 1 when it is not set)");
  get->add_option("KEY", get_options->key)->required();
  get->callback([&session, get_options] {
    get_options->root = session.root();
    session.status = runSettingsGet(*get_options, session.io);
  });

  auto set_options = std::make_shared<SettingsChangeOptions>();
  auto* set = group->add_subcommand("set", "Store VALUE under KEY");
  set->add_option("KEY", set_options->key)->required();
  set->add_option("VALUE", set_options->value)->required();
  set->callback([&session, set_options] {
    set_options->root = session.root();
    session.status = runSettingsChange(*set_options, session.io);
  });

  auto unset_options = std::make_shared<SettingsChangeOptions>();
  auto* unset = group->add_subcommand("unset", "Remove KEY");
  unset->add_option("KEY", unset_options->key)->required();
  unset->callback([&session, unset_options] {
    unset_options->root = session.root();
    session.status = runSettingsChange(*unset_options, session.io);
  });
}

}  // namespace calldir::cli

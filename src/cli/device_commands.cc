#include "cli/device_commands.h"

#include <memory>
#include <ostream>

#include "base/json_writer.h"
#include "cli/device_access.h"
#include "cli/session.h"
#include "telephony/request_driver.h"

namespace calldir::cli {

int runInit(const InitOptions& options, Io& io) {
  const std::string& root = options.root;
  const std::string& group = options.group;
  if (base::Status s = device::DeviceRoot::checkGroup(group); !s.ok()) return fail(io, "init", s);
  const auto existing = device::DeviceRoot::open(root);
  if (existing.ok() && existing->group() != group) {
    return exitWith(io,
                    "init: the device root " + root + " was made for the app group \"" + existing->group() +
                        "\", not \"" + group + "\"; use --group " + existing->group() + " or another --root",
                    kExitBadInput);
  }
  if (base::Status s = device::DeviceRoot::init(root, group); !s.ok()) {
    return fail(io, "init", base::Status::IoError(s.message()));
  }
  auto device = DeviceAccess::open(root);
  if (!device.ok()) return fail(io, "init", device.status());
  // Create the settings store now, so that other tools find it.
  if (auto settings = (*device)->settings(); !settings.ok()) return fail(io, "init", settings.status());
  io.out << "device root " << root << " (app group " << group << ")\n";
  return kExitOk;
}

int runPaths(const PathsOptions& options, Io& io) {
  const auto device = device::DeviceRoot::open(options.root);
  if (!device.ok()) return fail(io, "", device.status());
  const device::DevicePaths& p = device->paths();
  const std::pair<const char*, const std::string*> rows[] = {
      {"root", &p.root},     {"container", &p.container}, {"settings", &p.settings},
      {"bundle", &p.bundle}, {"resources", &p.resources}, {"store", &p.store},
  };
  if (options.json) {
    base::JsonWriter out;
    out.beginObject();
    for (const auto& [name, value] : rows) out.key(name).value(*value);
    io.out << out.endObject().finish();
  } else {
    for (const auto& [name, value] : rows) io.out << name << "\t" << *value << "\n";
  }
  return kExitOk;
}

int runDeviceState(const DeviceStateOptions& options, Io& io) {
  auto device = DeviceAccess::open(options.root);
  if (!device.ok()) return fail(io, "", device.status());
  auto store = (*device)->store();
  if (!store.ok()) return fail(io, "", store.status());
  if (options.damage) {
    if (base::Status s = (*store)->setDamaged(true); !s.ok()) return fail(io, "device damage-store", s);
    io.out << "the phone's call directory database is damaged: every request fails with error 11 until "
              "`calldir device reset`\n";
    return kExitOk;
  }
  if (base::Status s = telephony::resetCallDirectory((*device)->root(), **store); !s.ok()) {
    return fail(io, "device reset", s);
  }
  io.out << "the phone's call directory database is reset: no entries, the extension not loaded; its next "
            "request is a complete one\n";
  return kExitOk;
}

void addDeviceCommands(CLI::App& app, Session& session) {
  auto* group = addGroup(app, "device", "The emulated phone's own state", session);
  for (const bool damage : {true, false}) {
    auto options = std::make_shared<DeviceStateOptions>();
    options->damage = damage;
    auto* command =
        damage ? group->add_subcommand("damage-store",
                                       "Damage the phone's call directory database: every request fails with "
                                       "error 11 (undocumented, seen in the field) until `device reset`")
               : group->add_subcommand(
                     "reset",
                     "Reset the phone's settings: the damage and every entry gone, the extension "
                     "not loaded");
    command->callback([&session, options] {
      options->root = session.root();
      session.status = runDeviceState(*options, session.io);
    });
  }

  auto init_options = std::make_shared<InitOptions>(InitOptions{"", device::kDefaultGroup});
  auto* init = app.add_subcommand("init", "Create the device root (running it again changes nothing)");
  init->add_option("--group", init_options->group, "App group identifier; must begin with \"group.\"")
      ->type_name("ID")
      ->capture_default_str();
  init->callback([&session, init_options] {
    init_options->root = session.root();
    session.status = runInit(*init_options, session.io);
  });

  auto paths_options = std::make_shared<PathsOptions>();
  auto* paths = app.add_subcommand("paths", "Print the device root's paths");
  paths->add_flag("--json", paths_options->json,
                  "One JSON object: root, container, settings, bundle, resources, store");
  paths->callback([&session, paths_options] {
    paths_options->root = session.root();
    session.status = runPaths(*paths_options, session.io);
  });
}

}  // namespace calldir::cli

#include "cli/dispatcher.h"

#include <memory>

#include "cli/common/help.h"
#include "device/device_root.h"

namespace calldir::cli {

namespace {

// Opens what `row` asks for and runs it.
int dispatch(const Command& row, const Runner& run, Session& session) {
  // A command that needs no device runs whatever the root options say.
  const base::Result<std::string> root = session.root();
  std::unique_ptr<DeviceAccess> device;
  if (row.opens & kOpensDevice) {
    if (!root.ok()) return fail(session.io, "", root.status());
    auto opened =
        DeviceAccess::open(*root, row.opens & kReadsOnly ? base::Access::kReadOnly : base::Access::kCreate);
    if (!opened.ok()) return fail(session.io, "", opened.status());
    device = std::move(opened).value();
  }
  if ((row.opens & kOpensSettings) == kOpensSettings) {
    if (auto settings = device->settings(); !settings.ok()) return fail(session.io, "", settings.status());
  }
  if ((row.opens & kOpensStore) == kOpensStore) {
    if (auto store = device->store(); !store.ok()) return fail(session.io, "", store.status());
  }
  return run(Invocation{session.io, root, device.get()});
}

// The group named `name`, declared on first use.
CLI::App* groupOf(CLI::App& app, std::string_view name, std::span<const CommandGroup> groups,
                  Session& session) {
  const auto known = app.get_subcommands([name](CLI::App* sub) { return sub->get_name() == name; });
  if (!known.empty()) return known.front();
  std::string summary;
  for (const CommandGroup& group : groups) {
    if (group.name == name) summary = group.summary;
  }
  CLI::App* group = app.add_subcommand(std::string(name), summary);
  group->require_subcommand(0, 1);
  group->callback([group, &session] {
    if (group->get_subcommands().empty()) session.io.out << helpOf(*group);
  });
  return group;
}

}  // namespace

base::Result<std::string> Session::root() const { return device::DeviceRoot::resolve(root_flag); }

void addCommands(CLI::App& app, std::span<const Command> commands, std::span<const CommandGroup> groups,
                 Session& session) {
  for (const Command& row : commands) {
    CLI::App* parent = &app;
    std::string_view name = row.path;
    if (const std::size_t space = name.find(' '); space != std::string_view::npos) {
      parent = groupOf(app, name.substr(0, space), groups, session);
      name.remove_prefix(space + 1);
    }
    CLI::App* command = parent->add_subcommand(std::string(name), std::string(row.summary));
    command->callback(
        [&row, &session, run = row.declare(*command)] { session.status = dispatch(row, run, session); });
  }
}

}  // namespace calldir::cli

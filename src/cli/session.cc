#include "cli/session.h"

#include "device/device_root.h"

namespace calldir::cli {

std::string Session::root() const { return device::DeviceRoot::resolve(root_flag); }

std::string helpOf(const CLI::App& app) {
  std::string ancestors;
  for (const CLI::App* parent = app.get_parent(); parent != nullptr; parent = parent->get_parent()) {
    ancestors = parent->get_name() + (ancestors.empty() ? "" : " ") + ancestors;
  }
  return app.help(ancestors);
}

CLI::App* addGroup(CLI::App& app, const std::string& name, const std::string& description, Session& session) {
  CLI::App* group = app.add_subcommand(name, description);
  group->require_subcommand(0, 1);
  group->callback([group, &session] {
    if (group->get_subcommands().empty()) session.io.out << helpOf(*group);
  });
  return group;
}

}  // namespace calldir::cli

#include "cli/common/help.h"

#include <vector>

namespace calldir::cli {

const char* versionLine() { return "calldir " CALLDIR_VERSION; }

CommandSpec specOf(const CLI::App& app) {
  CommandSpec spec{app.get_name(), {}, {}};
  for (const CLI::Option* option : app.get_options()) {
    for (const auto& name : option->get_lnames()) spec.options.push_back("--" + name);
    for (const auto& name : option->get_snames()) spec.options.push_back("-" + name);
  }
  for (const CLI::App* sub : const_cast<CLI::App&>(app).get_subcommands([](CLI::App*) { return true; })) {
    spec.commands.push_back(specOf(*sub));
  }
  return spec;
}

std::string helpOf(const CLI::App& app) {
  std::string ancestors;
  for (const CLI::App* parent = app.get_parent(); parent != nullptr; parent = parent->get_parent()) {
    ancestors = parent->get_name() + (ancestors.empty() ? "" : " ") + ancestors;
  }
  return app.help(ancestors);
}

void printAllHelp(CLI::App& app, std::ostream& out) {
  out << helpOf(app) << "\n";
  for (CLI::App* sub : app.get_subcommands([](CLI::App*) { return true; })) printAllHelp(*sub, out);
}

base::Status checkCommandNames(CLI::App& app, int argc, char** argv) {
  CLI::App* current = &app;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word.rfind("-", 0) == 0) {
      const CLI::Option* option = current->get_option_no_throw(word);
      if (option == nullptr) option = app.get_option_no_throw(word);
      if (option != nullptr && option->get_expected_min() > 0 && word.find('=') == std::string::npos) ++i;
      continue;
    }
    std::vector<std::string> names;
    CLI::App* named = nullptr;
    for (CLI::App* sub : current->get_subcommands([](CLI::App*) { return true; })) {
      names.push_back(sub->get_name());
      if (sub->get_name() == word) named = sub;
    }
    if (names.empty()) return base::Status::Ok();  // the command's own arguments from here on
    if (named != nullptr) {
      current = named;
      continue;
    }
    std::string message = "unknown command '" + word + "'";
    if (auto nearest = nearestName(names, word)) message += "; did you mean '" + *nearest + "'?";
    return base::Status::InvalidArgument(message + " (calldir --help lists the commands)");
  }
  return base::Status::Ok();
}

}  // namespace calldir::cli

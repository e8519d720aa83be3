// The calldir command: parses the command line and dispatches to the command
// functions of the library. Nothing else happens here.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/app_commands.h"
#include "cli/bundle_commands.h"
#include "cli/device_commands.h"
#include "cli/directory_commands.h"
#include "cli/io.h"
#include "cli/list_commands.h"
#include "cli/request_commands.h"
#include "cli/settings_commands.h"
#include "cli/status_command.h"
#include "device/device_root.h"

namespace {

using namespace calldir::cli;

// What every command shares: the device root, the streams and the exit status
// that the chosen command's callback sets.
struct Session {
  std::optional<std::string> root_flag;
  Io io{std::cin, std::cout, std::cerr};
  int status = kExitOk;
  std::string root() const { return calldir::device::DeviceRoot::resolve(root_flag); }
};

void addDeviceCommands(CLI::App& app, Session& session) {
  auto group = std::make_shared<std::string>(calldir::device::kDefaultGroup);
  auto* init = app.add_subcommand("init", "Create the device root (running it again changes nothing)");
  init->add_option("--group", *group, "App group identifier; must begin with \"group.\"")
      ->capture_default_str();
  init->callback([&session, group] { session.status = runInit(session.root(), *group, session.io); });

  auto json = std::make_shared<bool>(false);
  auto* paths = app.add_subcommand("paths", "Print the device root's paths");
  paths->add_flag("--json", *json, "One JSON object: root, container, settings, bundle, resources, store");
  paths->callback([&session, json] { session.status = runPaths(session.root(), *json, session.io); });
}

void addBundleCommands(CLI::App& app, Session& session) {
  auto* bundle = app.add_subcommand("bundle", "The extension bundle");
  bundle->require_subcommand(1);
  struct Options {
    std::string file;
    bool plain = false;
    bool encoded = false;
  };
  auto o = std::make_shared<Options>();
  auto* put = bundle->add_subcommand("put-resource",
                                     "Install FILE as the full caller list resource callersAdd_Zero.json");
  put->add_option("FILE", o->file,
                  "Plain JSON caller list (encoded on the way) or list text; - for standard input")
      ->required();
  auto* plain = put->add_flag("--plain", o->plain, "FILE is a plain JSON caller list: check and encode it");
  put->add_flag("--encoded", o->encoded, "FILE is a list text: copy it byte for byte")->excludes(plain);
  put->callback([&session, o] {
    const ListSource kind = o->plain     ? ListSource::kPlain
                            : o->encoded ? ListSource::kEncoded
                                         : ListSource::kAuto;
    session.status = runBundlePutResource(session.root(), o->file, kind, session.io);
  });
}

void addSettingsCommands(CLI::App& app, Session& session) {
  auto* settings = app.add_subcommand("settings", "Read and write the shared settings");
  settings->require_subcommand(1);
  struct Options {
    bool json = false;
    std::string key;
    std::string value;
  };
  auto o = std::make_shared<Options>();
  auto* list = settings->add_subcommand("list", "Every key and its value");
  list->add_flag("--json", o->json, "One JSON object of key to value");
  list->callback([&session, o] { session.status = runSettingsList(session.root(), o->json, session.io); });
  auto* get = settings->add_subcommand("get", "Print the value of KEY (exit 1 when it is not set)");
  get->add_option("KEY", o->key)->required();
  get->callback([&session, o] { session.status = runSettingsGet(session.root(), o->key, session.io); });
  auto* set = settings->add_subcommand("set", "Store VALUE under KEY");
  set->add_option("KEY", o->key)->required();
  set->add_option("VALUE", o->value)->required();
  set->callback(
      [&session, o] { session.status = runSettingsChange(session.root(), o->key, o->value, session.io); });
  auto* unset = settings->add_subcommand("unset", "Remove KEY");
  unset->add_option("KEY", o->key)->required();
  unset->callback([&session, o] {
    session.status = runSettingsChange(session.root(), o->key, std::nullopt, session.io);
  });
}

void addStatusCommand(CLI::App& app, Session& session) {
  auto json = std::make_shared<bool>(false);
  auto* status = app.add_subcommand(
      "status",
      "The control keys, the status lines, the waiting delta lists and what the next request will do");
  status->add_flag("--json", *json, "One JSON object");
  status->callback([&session, json] { session.status = runStatus(session.root(), *json, session.io); });
}

void addListCommands(CLI::App& app, Session& session) {
  auto* list = app.add_subcommand("list", "Prepare and read caller list files (list texts)");
  list->require_subcommand(1);

  auto encode = std::make_shared<ListEncodeOptions>();
  auto* encode_cmd = list->add_subcommand(
      "encode", "Encode a plain JSON caller list into a list text (Base64 of AES-256 under the list key)");
  encode_cmd->add_option("FILE", encode->input, "Plain JSON caller list; - for standard input")
      ->capture_default_str();
  encode_cmd->add_option("-o,--output", encode->output,
                         "Write the list text here instead of standard output");
  encode_cmd
      ->add_option("--line-length", encode->line_length,
                   "Break the Base64 text into lines of this many characters (rounded up to a multiple "
                   "of 4); 0 for one line")
      ->capture_default_str();
  encode_cmd->add_flag("--raw", encode->raw, "Encode any bytes, without checking for a UTF-8 JSON array");
  encode_cmd->callback([&session, encode] { session.status = runListEncode(*encode, session.io); });

  auto decode = std::make_shared<ListDecodeOptions>();
  auto* decode_cmd = list->add_subcommand(
      "decode", "Decode a list text into its plain JSON text, exactly as the extension reads list files");
  decode_cmd->add_option("FILE", decode->input, "List text; - for standard input")->capture_default_str();
  decode_cmd->add_option("-o,--output", decode->output,
                         "Write the plain text here instead of standard output");
  decode_cmd->callback([&session, decode] { session.status = runListDecode(*decode, session.io); });

  auto check = std::make_shared<ListCheckOptions>();
  auto* check_cmd = list->add_subcommand(
      "check", "Read a list text the way the extension does and report what a request would do with it");
  check_cmd->add_option("FILE", check->input, "List text; - for standard input")->capture_default_str();
  check_cmd->add_flag("--json", check->json, "One JSON object");
  check_cmd->callback([&session, check] { session.status = runListCheck(*check, session.io); });
}

// The request options of every command that makes the phone load.
struct RequestFlags {
  ReloadOptions reload;
  bool full = false;
  bool incremental = false;
  std::optional<std::uint64_t> memory_limit;

  void addTo(CLI::App* cmd) {
    cmd->add_option("--max-entries", reload.request.max_entries,
                    "Most entries the phone keeps for the extension (more fail with error 5)")
        ->capture_default_str();
    cmd->add_option("--time-limit", reload.request.time_limit_seconds,
                    "Seconds the extension may run (longer fails with error 2)")
        ->capture_default_str();
    cmd->add_option(
        "--memory-limit", memory_limit,
        "Address space limit of the extension process in bytes (off by default; over it, error 2)");
    cmd->add_option("--trace", reload.request.trace_path,
                    "Write every context operation the extension sent to FILE, one a line");
    cmd->add_flag("--json", reload.json, "Print the outcome as one JSON object");
  }
  const ReloadOptions& options() {
    if (full) reload.request.incremental = false;
    if (incremental) reload.request.incremental = true;
    if (memory_limit) reload.request.memory_limit_bytes = *memory_limit;
    return reload;
  }
};

void addRequestCommands(CLI::App& app, Session& session) {
  auto flags = std::make_shared<RequestFlags>();
  auto* reload = app.add_subcommand(
      "reload", "Have the phone load the extension, as the containing application's reload does");
  auto* full = reload->add_flag("--full", flags->full, "Ask for a complete request");
  reload->add_flag("--incremental", flags->incremental, "Ask for an incremental request")->excludes(full);
  flags->addTo(reload);
  reload->callback(
      [&session, flags] { session.status = runReload(session.root(), flags->options(), session.io); });

  auto* enable = app.add_subcommand("enable", "Switch the extension on; the phone then loads it");
  flags->addTo(enable);
  enable->callback(
      [&session, flags] { session.status = runEnable(session.root(), true, flags->options(), session.io); });
  auto* disable = app.add_subcommand("disable", "Switch the extension off");
  disable->callback(
      [&session, flags] { session.status = runEnable(session.root(), false, flags->options(), session.io); });
}

void addDirectoryCommands(CLI::App& app, Session& session) {
  auto numbers = std::make_shared<std::vector<std::string>>();
  auto* lookup = app.add_subcommand(
      "lookup",
      "The label(s) a call from each NUMBER shows (exit 1 when one has none); NUMBER is read as list "
      "numbers are: leading digits, an optional sign");
  lookup->add_option("NUMBER", *numbers)->required();
  lookup->callback([&session, numbers] { session.status = runLookup(session.root(), *numbers, session.io); });

  auto json = std::make_shared<bool>(false);
  auto* entries = app.add_subcommand("entries", "Every identification entry, in number order");
  entries->add_flag("--json", *json, "A JSON array of {\"number\", \"label\"}");
  entries->callback([&session, json] { session.status = runEntries(session.root(), *json, session.io); });
}

void addAppCommands(CLI::App& app, Session& session) {
  auto* app_cmd = app.add_subcommand("app", "Act as the containing application");
  app_cmd->require_subcommand(1);
  struct Options {
    RequestFlags request;
    bool reload = false;
    AppPutOptions put;
  };
  auto o = std::make_shared<Options>();
  auto* restore =
      app_cmd->add_subcommand("restore", "Ask for a restore from zero (sets CDListClearAllYN to Y)");
  restore->add_flag("--reload", o->reload, "Then have the phone load the extension");
  o->request.addTo(restore);
  restore->callback([&session, o] {
    session.status = runAppRestore(session.root(), o->reload, o->request.options(), session.io);
  });
  auto* put = app_cmd->add_subcommand(
      "put",
      "Drop delta lists into the shared container (plain JSON lists are checked and encoded); a list that "
      "still waits for a request is not replaced (exit 1) unless --replace");
  put->add_option("--add", o->put.add_file, "Entries to add, as callersAdd.json");
  put->add_option("--del", o->put.del_file, "Numbers to remove, as callersDel.json");
  put->add_flag("--replace", o->put.replace, "Replace a delta list that still waits, dropping its changes");
  put->add_flag("--reload", o->put.reload, "Then have the phone load the extension");
  o->request.addTo(put);
  put->callback([&session, o] {
    o->put.request = o->request.options();
    session.status = runAppPut(session.root(), o->put, session.io);
  });
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "calldir: drive, inspect and feed a caller-identification extension.\n"
      "Exit status: 0 done, 1 the answer is no (check found problems, value absent, request failed),\n"
      "2 unusable input or command line, 3 a file or store could not be read or written."};
  app.require_subcommand(1);
  app.set_help_all_flag("--help-all", "Show help for every command");
  Session session;
  app.add_option("--root", session.root_flag,
                 "Device root folder (default: $CALLDIR_ROOT, else $XDG_DATA_HOME/calldir/device)");
  addDeviceCommands(app, session);
  addBundleCommands(app, session);
  addSettingsCommands(app, session);
  addStatusCommand(app, session);
  addListCommands(app, session);
  addRequestCommands(app, session);
  addDirectoryCommands(app, session);
  addAppCommands(app, session);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitBadInput;
  }
  return session.status;
}

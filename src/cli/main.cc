// The calldir command: parses the command line and dispatches to the command
// functions of the library. Nothing else happens here.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/device_commands.h"
#include "cli/io.h"
#include "cli/list_commands.h"
#include "cli/telephony_commands.h"
#include "platform/device_root.h"

int main(int argc, char** argv) {
  using namespace calldir::cli;
  CLI::App app{
      "calldir: drive, inspect and feed a caller-identification extension.\n"
      "Exit status: 0 done, 1 the answer is no (check found problems, value absent, request failed),\n"
      "2 unusable input or command line, 3 a file or store could not be read or written."};
  app.require_subcommand(1);
  app.set_help_all_flag("--help-all", "Show help for every command");

  Io io{std::cin, std::cout, std::cerr};
  int status = kExitOk;

  std::optional<std::string> root_flag;
  app.add_option("--root", root_flag,
                 "Device root folder (default: $CALLDIR_ROOT, else $XDG_DATA_HOME/calldir/device)");
  auto root = [&] { return calldir::platform::DeviceRoot::resolve(root_flag); };

  std::string group = calldir::platform::kDefaultGroup;
  auto* init_cmd = app.add_subcommand("init", "Create the device root (running it again changes nothing)");
  init_cmd->add_option("--group", group, "App group identifier; must begin with \"group.\"")
      ->capture_default_str();
  init_cmd->callback([&] { status = runInit(root(), group, io); });

  bool paths_json = false;
  auto* paths_cmd = app.add_subcommand("paths", "Print the device root's paths");
  paths_cmd->add_flag("--json", paths_json,
                      "One JSON object: root, container, settings, bundle, resources, store");
  paths_cmd->callback([&] { status = runPaths(root(), paths_json, io); });

  auto* bundle = app.add_subcommand("bundle", "The extension bundle");
  bundle->require_subcommand(1);
  std::string resource_file;
  bool resource_plain = false;
  bool resource_encoded = false;
  auto* put_resource = bundle->add_subcommand(
      "put-resource", "Install FILE as the full caller list resource callersAdd_Zero.json");
  put_resource
      ->add_option("FILE", resource_file,
                   "Plain JSON caller list (encoded on the way) or list text; - for standard input")
      ->required();
  auto* plain_flag = put_resource->add_flag("--plain", resource_plain,
                                            "FILE is a plain JSON caller list: check and encode it");
  put_resource->add_flag("--encoded", resource_encoded, "FILE is a list text: copy it byte for byte")
      ->excludes(plain_flag);
  put_resource->callback([&] {
    const ResourceMode mode = resource_plain     ? ResourceMode::kPlain
                              : resource_encoded ? ResourceMode::kEncoded
                                                 : ResourceMode::kAuto;
    status = runBundlePutResource(root(), resource_file, mode, io);
  });

  auto* settings = app.add_subcommand("settings", "Read and write the shared settings");
  settings->require_subcommand(1);
  bool settings_json = false;
  std::string key;
  std::string value;
  auto* settings_list = settings->add_subcommand("list", "Every key and its value");
  settings_list->add_flag("--json", settings_json, "One JSON object of key to value");
  settings_list->callback([&] { status = runSettingsList(root(), settings_json, io); });
  auto* settings_get = settings->add_subcommand("get", "Print the value of KEY (exit 1 when it is not set)");
  settings_get->add_option("KEY", key)->required();
  settings_get->callback([&] { status = runSettingsGet(root(), key, io); });
  auto* settings_set = settings->add_subcommand("set", "Store VALUE under KEY");
  settings_set->add_option("KEY", key)->required();
  settings_set->add_option("VALUE", value)->required();
  settings_set->callback([&] { status = runSettingsSet(root(), key, value, io); });
  auto* settings_unset = settings->add_subcommand("unset", "Remove KEY");
  settings_unset->add_option("KEY", key)->required();
  settings_unset->callback([&] { status = runSettingsUnset(root(), key, io); });

  bool status_json = false;
  auto* status_cmd = app.add_subcommand(
      "status",
      "The control keys, the status lines, the waiting delta lists and what the next request will do");
  status_cmd->add_flag("--json", status_json, "One JSON object");
  status_cmd->callback([&] { status = runStatus(root(), status_json, io); });

  auto* list = app.add_subcommand("list", "Prepare and read caller list files (list texts)");
  list->require_subcommand(1);

  ListEncodeOptions encode;
  auto* encode_cmd = list->add_subcommand(
      "encode", "Encode a plain JSON caller list into a list text (Base64 of AES-256 under the list key)");
  encode_cmd->add_option("FILE", encode.input, "Plain JSON caller list; - for standard input")
      ->capture_default_str();
  encode_cmd->add_option("-o,--output", encode.output, "Write the list text here instead of standard output");
  encode_cmd
      ->add_option("--line-length", encode.line_length,
                   "Break the Base64 text into lines of this many characters (rounded up to a multiple "
                   "of 4); 0 for one line")
      ->capture_default_str();
  encode_cmd->add_flag("--raw", encode.raw, "Encode any bytes, without checking for a UTF-8 JSON array");
  encode_cmd->callback([&] { status = runListEncode(encode, io); });

  ListDecodeOptions decode;
  auto* decode_cmd = list->add_subcommand(
      "decode", "Decode a list text into its plain JSON text, exactly as the extension reads list files");
  decode_cmd->add_option("FILE", decode.input, "List text; - for standard input")->capture_default_str();
  decode_cmd->add_option("-o,--output", decode.output,
                         "Write the plain text here instead of standard output");
  decode_cmd->callback([&] { status = runListDecode(decode, io); });

  // Request options, shared by every command that makes the phone load.
  ReloadOptions reload_options;
  bool force_full = false;
  bool force_incremental = false;
  std::optional<std::uint64_t> memory_limit;
  auto add_request_options = [&](CLI::App* cmd) {
    cmd->add_option("--max-entries", reload_options.request.max_entries,
                    "Most entries the phone keeps for the extension (more fail with error 5)")
        ->capture_default_str();
    cmd->add_option("--time-limit", reload_options.request.time_limit_seconds,
                    "Seconds the extension may run (longer fails with error 2)")
        ->capture_default_str();
    cmd->add_option(
        "--memory-limit", memory_limit,
        "Address space limit of the extension process in bytes (off by default; over it, error 2)");
    cmd->add_option("--trace", reload_options.request.trace_path,
                    "Write every context operation the extension sent to FILE, one a line");
    cmd->add_flag("--json", reload_options.json, "Print the outcome as one JSON object");
  };
  auto finish_request_options = [&] {
    if (force_full) reload_options.request.incremental = false;
    if (force_incremental) reload_options.request.incremental = true;
    if (memory_limit) reload_options.request.memory_limit_bytes = *memory_limit;
  };

  auto* reload_cmd = app.add_subcommand(
      "reload", "Have the phone load the extension, as the containing application's reload does");
  auto* full_flag = reload_cmd->add_flag("--full", force_full, "Ask for a complete request");
  reload_cmd->add_flag("--incremental", force_incremental, "Ask for an incremental request")
      ->excludes(full_flag);
  add_request_options(reload_cmd);
  reload_cmd->callback([&] {
    finish_request_options();
    status = runReload(root(), reload_options, io);
  });

  auto* enable_cmd = app.add_subcommand("enable", "Switch the extension on; the phone then loads it");
  add_request_options(enable_cmd);
  enable_cmd->callback([&] {
    finish_request_options();
    status = runEnable(root(), true, reload_options, io);
  });
  auto* disable_cmd = app.add_subcommand("disable", "Switch the extension off");
  disable_cmd->callback([&] { status = runEnable(root(), false, reload_options, io); });

  std::vector<std::string> lookup_numbers;
  auto* lookup_cmd = app.add_subcommand(
      "lookup",
      "The label(s) a call from each NUMBER shows (exit 1 when one has none); NUMBER is read as list "
      "numbers are: leading digits, an optional sign");
  lookup_cmd->add_option("NUMBER", lookup_numbers)->required();
  lookup_cmd->callback([&] { status = runLookup(root(), lookup_numbers, io); });

  bool entries_json = false;
  auto* entries_cmd = app.add_subcommand("entries", "Every identification entry, in number order");
  entries_cmd->add_flag("--json", entries_json, "A JSON array of {\"number\", \"label\"}");
  entries_cmd->callback([&] { status = runEntries(root(), entries_json, io); });

  auto* app_cmd = app.add_subcommand("app", "Act as the containing application");
  app_cmd->require_subcommand(1);
  bool app_reload = false;
  auto* restore_cmd =
      app_cmd->add_subcommand("restore", "Ask for a restore from zero (sets CDListClearAllYN to Y)");
  restore_cmd->add_flag("--reload", app_reload, "Then have the phone load the extension");
  add_request_options(restore_cmd);
  restore_cmd->callback([&] {
    finish_request_options();
    status = runAppRestore(root(), app_reload, reload_options, io);
  });
  std::string put_add;
  std::string put_del;
  auto* put_cmd = app_cmd->add_subcommand(
      "put", "Drop delta lists into the shared container (plain JSON lists are checked and encoded)");
  put_cmd->add_option("--add", put_add, "Entries to add, as callersAdd.json");
  put_cmd->add_option("--del", put_del, "Numbers to remove, as callersDel.json");
  put_cmd->add_flag("--reload", app_reload, "Then have the phone load the extension");
  add_request_options(put_cmd);
  put_cmd->callback([&] {
    finish_request_options();
    status = runAppPut(root(), put_add, put_del, app_reload, reload_options, io);
  });

  ListCheckOptions check;
  auto* check_cmd = list->add_subcommand(
      "check", "Read a list text the way the extension does and report what a request would do with it");
  check_cmd->add_option("FILE", check.input, "List text; - for standard input")->capture_default_str();
  check_cmd->add_flag("--json", check.json, "One JSON object");
  check_cmd->callback([&] { status = runListCheck(check, io); });

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
  return status;
}

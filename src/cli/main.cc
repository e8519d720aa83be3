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
#include "cli/command_tree.h"
#include "cli/device_commands.h"
#include "cli/directory_commands.h"
#include "cli/io.h"
#include "cli/list_commands.h"
#include "cli/list_fix_command.h"
#include "cli/option_values.h"
#include "cli/request_commands.h"
#include "cli/settings_commands.h"
#include "cli/status_command.h"
#include "device/device_root.h"
#include "lists/phone_numbers.h"

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

// The help of `app`, its usage line naming the whole command ("calldir list").
std::string helpOf(const CLI::App& app) {
  std::string ancestors;
  for (const CLI::App* parent = app.get_parent(); parent != nullptr; parent = parent->get_parent()) {
    ancestors = parent->get_name() + (ancestors.empty() ? "" : " ") + ancestors;
  }
  return app.help(ancestors);
}

// A group of commands: given alone, it prints the commands it holds.
CLI::App* addGroup(CLI::App& app, const std::string& name, const std::string& description, Session& session) {
  CLI::App* group = app.add_subcommand(name, description);
  group->require_subcommand(0, 1);
  group->callback([group, &session] {
    if (group->get_subcommands().empty()) session.io.out << helpOf(*group);
  });
  return group;
}

void addDeviceCommands(CLI::App& app, Session& session) {
  auto group = std::make_shared<std::string>(calldir::device::kDefaultGroup);
  auto* init = app.add_subcommand("init", "Create the device root (running it again changes nothing)");
  init->add_option("--group", *group, "App group identifier; must begin with \"group.\"")
      ->type_name("ID")
      ->capture_default_str();
  init->callback([&session, group] { session.status = runInit(session.root(), *group, session.io); });

  auto json = std::make_shared<bool>(false);
  auto* paths = app.add_subcommand("paths", "Print the device root's paths");
  paths->add_flag("--json", *json, "One JSON object: root, container, settings, bundle, resources, store");
  paths->callback([&session, json] { session.status = runPaths(session.root(), *json, session.io); });
}

void addBundleCommands(CLI::App& app, Session& session) {
  auto* bundle = addGroup(app, "bundle", "The extension bundle", session);
  struct Options {
    std::string file;
    bool plain = false;
    bool encoded = false;
  };
  auto o = std::make_shared<Options>();
  auto* put = bundle->add_subcommand("put-resource",
                                     "Install FILE as the full caller list resource callersAdd_Zero.json; "
                                     "warns about what a restore would skip "
                                     "or refuse");
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
  auto* settings = addGroup(app, "settings", "Read and write the shared settings", session);
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
  auto o = std::make_shared<StatusOptions>();
  auto* status = app.add_subcommand("status",
                                    "The last request, the control keys, the status lines, the waiting delta "
                                    "lists and what the next request "
                                    "will do");
  status->add_flag("--json", o->json, "One JSON object");
  status->add_flag("--explain", o->explain, "Tell each status line as a sentence");
  status->callback([&session, o] { session.status = runStatus(session.root(), *o, session.io); });
}

// --role and --region, as list check and list fix take them.
void addRoleAndRegion(CLI::App* cmd, std::string& role, std::string& region) {
  cmd->add_option("--role", role, "What the list is: resource (a restore adds it), add or del")
      ->check(CLI::IsMember({"resource", "add", "del"}))
      ->capture_default_str();
  cmd->add_option("--region", region, "Region the numbers are written in (two letters, such as KR)")
      ->type_name("CC")
      ->check([](const std::string& value) {
        return calldir::lists::isKnownRegion(value) ? std::string() : "unknown region code \"" + value + "\"";
      });
}

void addListCheck(CLI::App* list, Session& session) {
  struct Options {
    ListCheckOptions check;
    std::string role = "resource";
  };
  auto o = std::make_shared<Options>();
  auto* check = list->add_subcommand(
      "check",
      "Read a list (list text or plain JSON) the way the extension does and say what a request would do");
  check->add_option("FILE", o->check.input, "List text or plain JSON list; - for standard input")
      ->type_name("FILE")
      ->capture_default_str();
  addRoleAndRegion(check, o->role, o->check.region);
  check->add_flag("--json", o->check.json, "One JSON object");
  check->callback([&session, o] {
    calldir::lists::parseRole(o->role, o->check.role);
    session.status = runListCheck(o->check, session.io);
  });
}

void addListFix(CLI::App* list, Session& session) {
  struct Options {
    ListFixOptions fix;
    std::string role = "resource";
    std::string on_conflict = "fail";
  };
  auto o = std::make_shared<Options>();
  auto* fix = list->add_subcommand(
      "fix",
      "Write a list the platform accepts and that means what its author meant (numbers as E.164 digits, "
      "sorted, repeats and unusable elements dropped)");
  fix->add_option("FILE", o->fix.input, "List text or plain JSON list; - for standard input")
      ->type_name("FILE")
      ->capture_default_str();
  fix->add_option("-o,--output", o->fix.output, "Write the fixed list to FILE instead of standard output")
      ->type_name("FILE");
  addRoleAndRegion(fix, o->role, o->fix.fix.region);
  fix->add_option("--on-conflict", o->on_conflict,
                  "The same number with different names: fail (report them, write nothing), first or last")
      ->check(CLI::IsMember({"fail", "first", "last"}))
      ->capture_default_str();
  fix->add_flag("--encode", o->fix.encode, "Write a list text instead of plain JSON");
  fix->add_flag("--json", o->fix.json,
                "The report as one JSON object on standard output (-o is then required)");
  fix->callback([&session, o] {
    calldir::lists::parseRole(o->role, o->fix.fix.role);
    o->fix.fix.on_conflict = o->on_conflict == "first"  ? calldir::lists::ConflictRule::kFirst
                             : o->on_conflict == "last" ? calldir::lists::ConflictRule::kLast
                                                        : calldir::lists::ConflictRule::kFail;
    session.status = runListFix(o->fix, session.io);
  });
}

void addListDiff(CLI::App* list, Session& session) {
  auto o = std::make_shared<ListDiffOptions>();
  auto* diff = list->add_subcommand(
      "diff", "Write the delete list and the add list that turn a store holding OLD into NEW (full lists)");
  diff->add_option("OLD", o->old_input, "Yesterday's full list (list text or plain JSON)")
      ->type_name("FILE")
      ->required();
  diff->add_option("NEW", o->new_input, "Today's full list")->type_name("FILE")->required();
  diff->add_option("--del", o->del_output, "Write the delete list (callersDel.json) to FILE")
      ->type_name("FILE")
      ->required();
  diff->add_option("--add", o->add_output, "Write the add list (callersAdd.json) to FILE")
      ->type_name("FILE")
      ->required();
  diff->add_flag("--plain", o->plain, "Write plain JSON lists instead of list texts");
  diff->add_flag("--json", o->json, "The summary as one JSON object");
  diff->callback([&session, o] { session.status = runListDiff(*o, session.io); });
}

void addListCommands(CLI::App& app, Session& session) {
  auto* list = addGroup(app, "list", "Prepare, read and check caller list files", session);
  auto encode = std::make_shared<ListEncodeOptions>();
  auto* encode_cmd = list->add_subcommand(
      "encode", "Encode a plain JSON caller list into a list text (Base64 of AES-256 under the list key)");
  encode_cmd->add_option("FILE", encode->input, "Plain JSON caller list; - for standard input")
      ->type_name("FILE")
      ->capture_default_str();
  encode_cmd
      ->add_option("-o,--output", encode->output, "Write the list text to FILE instead of standard output")
      ->type_name("FILE");
  encode_cmd
      ->add_option(
          "--line-length", encode->line_length,
          "Break the Base64 text into lines of this many characters (rounded up to a multiple of 4); 0 "
          "for one line")
      ->type_name("N")
      ->capture_default_str();
  encode_cmd->add_flag("--raw", encode->raw, "Encode any bytes, without checking for a UTF-8 JSON array");
  auto from = std::make_shared<std::string>("json");
  encode_cmd->add_option("--from", *from, "What FILE holds: a plain JSON list, or CSV (one row per entry)")
      ->check(CLI::IsMember({"json", "csv"}))
      ->capture_default_str();
  encode_cmd
      ->add_option("--number-column", encode->columns.number,
                   "With --from csv: the number's column, by position from 1 or by header")
      ->type_name("N|NAME")
      ->capture_default_str();
  encode_cmd->add_option("--name-column", encode->columns.name, "With --from csv: the name's column")
      ->type_name("N|NAME")
      ->capture_default_str();
  encode_cmd->callback([&session, encode, from] {
    encode->from_csv = *from == "csv";
    session.status = runListEncode(*encode, session.io);
  });

  auto decode = std::make_shared<ListDecodeOptions>();
  auto* decode_cmd = list->add_subcommand(
      "decode", "Decode a list text into its plain JSON text, exactly as the extension reads list files");
  decode_cmd->add_option("FILE", decode->input, "List text; - for standard input")
      ->type_name("FILE")
      ->capture_default_str();
  decode_cmd
      ->add_option("-o,--output", decode->output, "Write the plain text to FILE instead of standard output")
      ->type_name("FILE");
  auto to = std::make_shared<std::string>("json");
  decode_cmd->add_option("--to", *to, "Write the plain JSON text, or CSV (number,name with a header)")
      ->check(CLI::IsMember({"json", "csv"}))
      ->capture_default_str();
  decode_cmd->callback([&session, decode, to] {
    decode->to_csv = *to == "csv";
    session.status = runListDecode(*decode, session.io);
  });
  addListCheck(list, session);
  addListFix(list, session);
  addListDiff(list, session);
}

// The request options of every command that makes the phone load.
struct RequestFlags {
  ReloadOptions reload;
  bool full = false;
  bool incremental = false;
  std::string memory_limit;

  void addTo(CLI::App* cmd) {
    cmd->add_option("--max-entries", reload.request.max_entries,
                    "Most entries the phone keeps for the extension (more fail with error 5)")
        ->type_name("N")
        ->capture_default_str();
    cmd->add_option("--time-limit", reload.request.time_limit_seconds,
                    "Seconds the extension may run (longer fails with error 2)")
        ->type_name("SECONDS")
        ->capture_default_str();
    cmd->add_option(
           "--memory-limit", memory_limit,
           "Address space limit of the extension process, such as 512M (off by default; over it, error 2)")
        ->type_name("BYTES");
    cmd->add_option(
           "--trace", reload.trace_path,
           "Write every context operation the extension sent to FILE (- for standard output), one a line")
        ->type_name("FILE");
    cmd->add_flag("--json", reload.json, "Print the outcome as one JSON object");
  }
  // The options as given, or an unusable-input error.
  calldir::base::Status options(ReloadOptions& out) {
    out = reload;
    if (full) out.request.incremental = false;
    if (incremental) out.request.incremental = true;
    if (!memory_limit.empty()) {
      std::uint64_t bytes = 0;
      if (auto s = parseByteCount(memory_limit, bytes); !s.ok()) return s.withContext("--memory-limit");
      out.request.memory_limit_bytes = bytes;
    }
    if (out.json && out.trace_path == "-") {
      return calldir::base::Status::InvalidArgument("--trace - cannot share standard output with --json");
    }
    return calldir::telephony::checkRequestOptions(out.request);
  }
};

// Runs `command` with the request options, or reports why they are unusable.
template <typename Command>
void withRequestOptions(Session& session, RequestFlags& flags, Command command) {
  ReloadOptions options;
  if (auto s = flags.options(options); !s.ok()) {
    session.status = fail(session.io, "", s);
    return;
  }
  session.status = command(options);
}

void addRequestCommands(CLI::App& app, Session& session) {
  auto flags = std::make_shared<RequestFlags>();
  auto* reload = app.add_subcommand(
      "reload", "Have the phone load the extension, as the containing application's reload does");
  auto* full = reload->add_flag("--full", flags->full, "Ask for a complete request");
  reload->add_flag("--incremental", flags->incremental, "Ask for an incremental request")->excludes(full);
  flags->addTo(reload);
  reload->callback([&session, flags] {
    withRequestOptions(session, *flags,
                       [&](const ReloadOptions& o) { return runReload(session.root(), o, session.io); });
  });
  auto* enable = app.add_subcommand("enable", "Switch the extension on; the phone then loads it");
  flags->addTo(enable);
  enable->callback([&session, flags] {
    withRequestOptions(session, *flags, [&](const ReloadOptions& o) {
      return runEnable(session.root(), true, o, session.io);
    });
  });
  auto* disable = app.add_subcommand("disable", "Switch the extension off");
  disable->add_flag("--json", flags->reload.json, "Print the outcome as one JSON object");
  disable->callback([&session, flags] {
    withRequestOptions(session, *flags, [&](const ReloadOptions& o) {
      return runEnable(session.root(), false, o, session.io);
    });
  });
}

void addDirectoryCommands(CLI::App& app, Session& session) {
  auto lookup_options = std::make_shared<LookupOptions>();
  auto* lookup = app.add_subcommand("lookup",
                                    "The label(s) a call from each NUMBER shows (exit 1 when one has none): "
                                    "digits alone as they are, a number "
                                    "with + or separators read as a phone number (+82 10-1234-5678)");
  lookup->add_option("NUMBER", lookup_options->numbers)->required();
  lookup->add_option("--region", lookup_options->region, "Read every NUMBER as written in this region (KR)")
      ->type_name("CC");
  lookup->add_flag("--json", lookup_options->json, "An array of {\"input\", \"number\", \"labels\"}");
  lookup->callback([&session, lookup_options] {
    session.status = runLookup(session.root(), *lookup_options, session.io);
  });

  struct Formats {
    bool json = false;
    bool csv = false;
    bool list = false;
  };
  auto f = std::make_shared<Formats>();
  auto* entries = app.add_subcommand("entries", "Every identification entry, in number order");
  auto* json = entries->add_flag("--json", f->json, "A JSON array of {\"number\", \"label\"}");
  auto* csv = entries->add_flag("--csv", f->csv, "CSV: number,name with a header")->excludes(json);
  entries->add_flag("--list", f->list, "A plain caller list (calldir list encode takes it)")
      ->excludes(json)
      ->excludes(csv);
  entries->callback([&session, f] {
    const EntriesFormat format = f->json   ? EntriesFormat::kJson
                                 : f->csv  ? EntriesFormat::kCsv
                                 : f->list ? EntriesFormat::kList
                                           : EntriesFormat::kText;
    session.status = runEntries(session.root(), format, session.io);
  });
}

void addAppCommands(CLI::App& app, Session& session) {
  auto* app_cmd = addGroup(app, "app", "Act as the containing application", session);
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
    withRequestOptions(session, o->request, [&](const ReloadOptions& r) {
      return runAppRestore(session.root(), o->reload, r, session.io);
    });
  });
  auto* put = app_cmd->add_subcommand("put",
                                      "Drop delta lists into the shared container (plain JSON lists are "
                                      "checked and encoded); a list that still "
                                      "waits for a request is kept (exit 1) unless --replace");
  put->add_option("--add", o->put.add_file, "Entries to add, as callersAdd.json")->type_name("FILE");
  put->add_option("--del", o->put.del_file, "Numbers to remove, as callersDel.json")->type_name("FILE");
  put->add_flag("--replace", o->put.replace, "Replace a delta list that still waits, dropping its changes");
  put->add_flag("--reload", o->put.reload, "Then have the phone load the extension");
  o->request.addTo(put);
  put->callback([&session, o] {
    withRequestOptions(session, o->request, [&](const ReloadOptions& r) {
      o->put.request = r;
      return runAppPut(session.root(), o->put, session.io);
    });
  });
}

// The command tree, for completion scripts and suggestions.
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

void addConventionCommands(CLI::App& app, Session& session) {
  auto* version = app.add_subcommand("version", "Print calldir's version");
  version->callback([&session] { session.io.out << "calldir " CALLDIR_VERSION "\n"; });
  auto shell = std::make_shared<std::string>();
  auto* completion =
      app.add_subcommand("completion", "Print a completion script for SHELL (bash, zsh or fish)");
  completion->add_option("SHELL", *shell)->required()->check(CLI::IsMember({"bash", "zsh", "fish"}));
  completion->callback([&app, &session, shell] {
    CommandSpec spec = specOf(app);
    spec.name = "calldir";
    session.io.out << *completionScript(spec, *shell);
  });
}

// Every command's help, the nested ones too.
void printAllHelp(CLI::App& app, std::ostream& out) {
  out << helpOf(app) << "\n";
  for (CLI::App* sub : app.get_subcommands([](CLI::App*) { return true; })) printAllHelp(*sub, out);
}

// The first word on the command line that names no command where a command
// is expected, with the nearest command's name; no value when all is well.
std::optional<std::string> unknownCommand(CLI::App& app, int argc, char** argv) {
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
    if (names.empty()) return std::nullopt;  // the command's own arguments from here on
    if (named != nullptr) {
      current = named;
      continue;
    }
    std::string message = "unknown command '" + word + "'";
    if (auto nearest = nearestName(names, word)) message += "; did you mean '" + *nearest + "'?";
    return message + " (calldir --help lists the commands)";
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "calldir: drive, inspect and feed a caller-identification extension.\n"
      "Exit status: 0 done, 1 the answer is no (check found problems, value absent, request failed),\n"
      "2 unusable input or command line, 3 a file or store could not be read or written.",
      "calldir"};
  app.require_subcommand(0, 1);
  app.fallthrough();  // --root, before or after the command
  app.set_version_flag("--version", "calldir " CALLDIR_VERSION);
  bool help_all = false;  // handled before parsing
  app.add_flag("--help-all", help_all, "Show the help of every command and its options");
  app.failure_message([](const CLI::App*, const CLI::Error& e) {
    return "calldir: " + std::string(e.what()) + " (calldir --help lists the commands and options)\n";
  });
  Session session;
  app.add_option("--root", session.root_flag,
                 "Device root folder (default: $CALLDIR_ROOT, else $XDG_DATA_HOME/calldir/device)")
      ->type_name("DIR");
  for (auto add :
       {addDeviceCommands, addBundleCommands, addSettingsCommands, addStatusCommand, addListCommands,
        addRequestCommands, addDirectoryCommands, addAppCommands, addConventionCommands}) {
    add(app, session);
  }
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--help-all") {
      printAllHelp(app, session.io.out);
      return finishOutput(session.io, kExitOk);
    }
  }
  if (auto unknown = unknownCommand(app, argc, argv)) return fail(session.io, *unknown, kExitBadInput);
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return finishOutput(session.io, app.exit(e));
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitBadInput;
  }
  if (app.get_subcommands().empty()) session.io.out << app.help();
  return finishOutput(session.io, session.status);
}

#include "cli/app_commands.h"

#include <memory>
#include <ostream>
#include <vector>

#include "base/json_writer.h"
#include "cli/list_install.h"
#include "cli/session.h"
#include "handler/keys.h"
#include "platform/files.h"

namespace calldir::cli {

int runAppRestore(const AppRestoreOptions& options, Io& io) {
  auto device = DeviceAccess::open(options.request.root);
  if (!device.ok()) return fail(io, "", device.status());
  if (telephony::isLoading((*device)->root())) {
    warn(
        io,
        "a request is loading now; if it is a restore from zero, its end sets CDListClearAllYN back to N, so "
        "check `calldir status` once it is done");
  }
  auto store = (*device)->settings();
  if (!store.ok()) return fail(io, "", store.status());
  auto settings = (*store)->initWithSuiteName((*device)->root().group());
  settings->setObject(handler::kClearAllYes, handler::kClearAllKey);
  if (!settings->synchronize())
    return fail(io, "", base::Status::IoError("cannot write the shared settings"));
  const Action action{
      [](base::JsonWriter& json) {
        json.beginObject().key("set").beginObject().key(handler::kClearAllKey).value(handler::kClearAllYes);
        json.endObject().endObject();
      },
      std::string(handler::kClearAllKey) + " = " + std::string(handler::kClearAllYes) +
          ": the next incremental request restores from zero"};
  return reportAction(**device, action, options.reload, options.request, io);
}

namespace {

// Refuses, with what it holds, a delta list that still waits for a request.
base::Status checkNotWaiting(DeviceAccess& device, std::string_view name) {
  const DeltaListState& state = device.deltaList(name);
  if (!state.waiting()) return base::Status::Ok();
  return base::Status::InvalidArgument(
      std::string(name) + " still waits for a request (" +
      (state.malformed ? std::string("a malformed list") : std::to_string(state.elements) + " element(s)") +
      "); run `calldir reload` first, or pass --replace to drop its changes");
}

// The lists named in `options`, each with its name in the container.
std::vector<std::pair<std::string, std::string_view>> listsOf(const AppPutOptions& options) {
  std::vector<std::pair<std::string, std::string_view>> lists;
  if (!options.del_file.empty()) lists.emplace_back(options.del_file, handler::kDeleteListName);
  if (!options.add_file.empty()) lists.emplace_back(options.add_file, handler::kAddListName);
  return lists;
}

// Drops the lists named in `options`; the names of those dropped.
base::Result<std::vector<std::string>> dropLists(DeviceAccess& device, const AppPutOptions& options, Io& io) {
  std::vector<std::string> dropped;
  for (const auto& [file, name] : listsOf(options)) {
    const std::string path = platform::appendingPathComponent(device.root().paths().container, name);
    const lists::ListRole role =
        name == handler::kDeleteListName ? lists::ListRole::kDel : lists::ListRole::kAdd;
    const auto installed = installListFile(file, path, InstallForm::kAuto, role, io);
    if (!installed.ok()) return installed.status();
    device.wrote(name, {installed->content, installed->elements, installed->malformed});
    dropped.emplace_back(name);
  }
  return dropped;
}

}  // namespace

int runAppPut(const AppPutOptions& options, Io& io) {
  auto device = DeviceAccess::open(options.request.root);
  if (!device.ok()) return fail(io, "", device.status());
  if (options.add_file.empty() && options.del_file.empty()) {
    return exitWith(io, "app put: name a list with --add FILE and/or --del FILE", kExitBadInput);
  }
  // Nothing is dropped while a list it would replace still waits: the
  // answer is no.
  for (const auto& [file, name] : listsOf(options)) {
    if (options.replace) break;
    if (base::Status s = checkNotWaiting(**device, name); !s.ok()) {
      fail(io, "app put", s);
      return kExitNegative;
    }
  }
  Io list_io = io;  // one JSON document: no progress beside it
  list_io.progress = io.progress && !options.request.json;
  const auto dropped = dropLists(**device, options, list_io);
  if (!dropped.ok()) return fail(io, "app put", dropped.status());
  std::string text;
  for (const auto& name : *dropped)
    text += (text.empty() ? "" : "\n") + ("dropped " + name + " into the shared container");
  const Action action{[names = *dropped](base::JsonWriter& json) {
                        json.beginObject().key("dropped").beginArray();
                        for (const auto& name : names) json.value(name);
                        json.endArray().endObject();
                      },
                      text};
  return reportAction(**device, action, options.reload, options.request, io);
}

void addAppCommands(CLI::App& app, Session& session) {
  auto* group = addGroup(app, "app", "Act as the containing application", session);
  struct RestoreFlags {
    RequestFlags request;
    bool reload = false;
  };
  auto restore_flags = std::make_shared<RestoreFlags>();
  auto* restore =
      group->add_subcommand("restore", "Ask for a restore from zero (sets CDListClearAllYN to Y)");
  restore->add_flag("--reload", restore_flags->reload, "Then have the phone load the extension");
  addRequestOptions(restore, restore_flags->request);
  restore->callback([&session, restore_flags] {
    auto request = requestOptions(restore_flags->request, session.root());
    session.status = request.ok() ? runAppRestore({restore_flags->reload, *request}, session.io)
                                  : fail(session.io, "", request.status());
  });

  struct PutFlags {
    RequestFlags request;
    AppPutOptions put;
  };
  auto put_flags = std::make_shared<PutFlags>();
  auto* put =
      group->add_subcommand("put",
                            "Drop delta lists into the shared container (plain JSON lists are checked and "
                            "encoded); a list that still waits for a request is kept (exit 1) unless "
                            "--replace");
  put->add_option("--add", put_flags->put.add_file, "Entries to add, as callersAdd.json")->type_name("FILE");
  put->add_option("--del", put_flags->put.del_file, "Numbers to remove, as callersDel.json")
      ->type_name("FILE");
  put->add_flag("--replace", put_flags->put.replace,
                "Replace a delta list that still waits, dropping its changes");
  put->add_flag("--reload", put_flags->put.reload, "Then have the phone load the extension");
  addRequestOptions(put, put_flags->request);
  put->callback([&session, put_flags] {
    auto request = requestOptions(put_flags->request, session.root());
    if (!request.ok()) {
      session.status = fail(session.io, "", request.status());
      return;
    }
    put_flags->put.request = *request;
    session.status = runAppPut(put_flags->put, session.io);
  });
}

}  // namespace calldir::cli

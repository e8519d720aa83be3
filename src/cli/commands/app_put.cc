#include "cli/commands/app_put.h"

#include <vector>

#include "cli/common/list_install.h"
#include "handler/keys.h"

namespace calldir::cli {

void declareAppPut(CLI::App& command, AppPutOptions& options) {
  command.add_option("--add", options.add_file, "Entries to add, as callersAdd.json")->type_name("FILE");
  command.add_option("--del", options.del_file, "Numbers to remove, as callersDel.json")->type_name("FILE");
  command.add_flag("--replace", options.replace,
                   "Replace a delta list that still waits, dropping its changes");
  command.add_flag("--reload", options.reload, "Then have the phone load the extension");
  declareRequestOptions(command, options.request);
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
    const auto path = device.lists().groupFilePath(name);
    if (!path)
      return base::Status::IoError("the device has no shared container for " + device.root().group());
    const lists::ListRole role =
        name == handler::kDeleteListName ? lists::ListRole::kDel : lists::ListRole::kAdd;
    const auto installed = installListFile(file, *path, InstallForm::kAuto, role, io);
    if (!installed.ok()) return installed.status();
    device.know(name, {installed->content, installed->elements, installed->malformed});
    dropped.emplace_back(name);
  }
  return dropped;
}

}  // namespace

int runAppPut(const AppPutOptions& options, DeviceAccess& device, Io& io) {
  if (options.add_file.empty() && options.del_file.empty()) {
    return exitWith(io, "app put: name a list with --add FILE and/or --del FILE", kExitBadInput);
  }
  // Nothing is dropped while a list it would replace still waits: the
  // answer is no.
  for (const auto& [file, name] : listsOf(options)) {
    if (options.replace) break;
    if (base::Status s = checkNotWaiting(device, name); !s.ok()) {
      fail(io, "app put", s);
      return kExitNegative;
    }
  }
  Io list_io = io;  // one JSON document: no progress beside it
  list_io.progress = io.progress && !options.request.json;
  const auto dropped = dropLists(device, options, list_io);
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
  return reportAction(device, action, options.reload, options.request, io);
}

}  // namespace calldir::cli

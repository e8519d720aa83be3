// A request on whatever the shared settings and the container hold: control
// values of any bytes and length, a resource and delta lists of any text.
// Every request is completed exactly once, applies nothing unless the
// control keys ask for it, and never copies more into a status line than it
// read.
#include <fuzzer/FuzzedDataProvider.h>

#include <chrono>
#include <string>

#include "codec/text_decoding.h"
#include "doubles/in_memory_files.h"
#include "doubles/in_memory_settings.h"
#include "doubles/manual_clock.h"
#include "doubles/recording_context.h"
#include "fuzz_check.h"
#include "handler/call_directory_handler.h"
#include "handler/dispatch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using calldir::fuzz::require;
  FuzzedDataProvider input(data, size);
  const bool incremental = input.ConsumeBool();
  const bool fails = input.ConsumeBool();
  const std::string clear_all = input.ConsumeRandomLengthString(64);
  const std::string restore = input.ConsumeRandomLengthString(64);
  const std::string resource = input.ConsumeRandomLengthString(512);
  const std::string del = input.ConsumeRandomLengthString(512);
  const std::string add = input.ConsumeRemainingBytesAsString();

  calldir::doubles::InMemorySettingsProvider settings;
  calldir::doubles::InMemoryFileManager files;
  calldir::doubles::ManualClock clock{std::chrono::system_clock::from_time_t(1704650400)};
  const std::string group = "group.fuzz";
  files.entitled_groups.insert(group);
  settings.put("CDListClearAllYN", clear_all);
  settings.put("CDListRestoreStatus", restore);
  files.files["/bundle/callersAdd_Zero.json"] = calldir::codec::encodeListText(resource);
  files.files["/container/group.fuzz/callersDel.json"] = calldir::codec::encodeListText(del);
  files.files["/container/group.fuzz/callersAdd.json"] = add;  // raw: any bytes as a stored text

  calldir::doubles::RecordingContext context(incremental);
  if (fails) context.failWith({.code = 2, .reason = "loading interrupted"});
  calldir::handler::CallDirectoryHandler handler({settings, files, files, clock, group});
  handler.beginRequestWithExtensionContext(context);

  const auto& trace = context.trace();
  require(trace.size() >= 3 && trace[0] == "delegate" && trace[1] == "isIncremental", "the request opens");
  require(trace.back() == "complete(handler)", "and is completed last");
  for (std::size_t i = 0; i + 1 < trace.size(); ++i) require(trace[i].rfind("complete", 0) != 0, "once");
  const auto action = calldir::handler::incrementalAction(clear_all, restore);
  if (!incremental || action == calldir::handler::IncrementalAction::kNothing) {
    require(trace.size() == 3, "nothing is applied unless the control keys ask for it");
  }
  const std::string line = settings.current().at("CallDirectoryisIncremental");
  require(line.size() <= clear_all.size() + restore.size() + 64, "the status line holds what was read");
  if (fails) {
    require(settings.current().at("CDListClearAllYN") == clear_all, "a failed request keeps the flag");
    require(files.files.at("/container/group.fuzz/callersAdd.json") == add, "and the lists");
  }
  return 0;
}

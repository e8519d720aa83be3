// The extension's own work on a restore from zero, in process: reading the
// list resource from memory, decoding, parsing and handing every entry to a
// context that only counts. Kernel work (file reads, the resource copy, the
// pipe to the service) is left out; bench/restore.sh measures it all.
// Run: build/release/bench/calldir_bench --benchmark_filter=Handler
#include <benchmark/benchmark.h>

#include <string>

#include "codec/text_decoding.h"
#include "doubles/counting_context.h"
#include "doubles/in_memory_files.h"
#include "doubles/in_memory_settings.h"
#include "doubles/manual_clock.h"
#include "handler/call_directory_handler.h"

namespace {

using namespace calldir;

void BM_HandlerRestoreFromZero(benchmark::State& state) {
  const auto entries = static_cast<std::size_t>(state.range(0));
  std::string plain = "[";
  for (std::size_t i = 0; i < entries; ++i) {
    if (i) plain += ",";
    plain += "{\"number\":\"" + std::to_string(821000000000LL + static_cast<long long>(i)) +
             "\",\"name\":\"Caller " + std::to_string(1000000 + i) + "\"}";
  }
  plain += "]";
  const std::string text = codec::encodeListText(plain);
  doubles::InMemoryFileManager files;
  files.entitled_groups.insert("group.bench");
  doubles::ManualClock clock(std::chrono::system_clock::now());
  for (auto _ : state) {
    state.PauseTiming();
    files.files.clear();
    files.files["/bundle/callersAdd_Zero.json"] = text;
    doubles::InMemorySettingsProvider settings;
    settings.put("CDListClearAllYN", "Y");
    doubles::CountingContext context;
    handler::CallDirectoryHandler handler({settings, files, files, clock, "group.bench"});
    state.ResumeTiming();
    handler.beginRequestWithExtensionContext(context);
    if (context.added() != static_cast<std::int64_t>(entries))
      state.SkipWithError("not every entry was added");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * entries));
}
BENCHMARK(BM_HandlerRestoreFromZero)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

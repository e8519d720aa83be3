// One status line write plus synchronize on the SQLite settings store, the
// cost the update from the delta lists pays per element.
// Run: build/release/bench/calldir_bench --benchmark_filter=Settings
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/sqlite_settings.h"

namespace {

void BM_SettingsWriteAndSynchronize(benchmark::State& state) {
  char pattern[] = "/tmp/calldir-bench-XXXXXX";
  const std::string dir = mkdtemp(pattern);
  {
    auto opened = calldir::platform::SqliteSettingsStore::open(dir + "/settings.sqlite", "group.bench",
                                                               calldir::base::Access::kCreate);
    if (!opened.ok()) {
      state.SkipWithError("cannot open the settings store");
      return;
    }
    auto& store = *opened;
    std::size_t i = 0;
    for (auto _ : state) {
      auto settings = store->initWithSuiteName("group.bench");
      settings->setObject(
          "[" + std::to_string(i++) + " / 10000] {\"number\":\"821000000001\",\"name\":\"A\"}",
          "CallDirectoryAddLog");
      benchmark::DoNotOptimize(settings->synchronize());
    }
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SettingsWriteAndSynchronize)->Unit(benchmark::kMicrosecond);

}  // namespace

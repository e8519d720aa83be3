// The list tools' reading of numbers: a million distinct numbers as a
// producer's list holds them, read once each by a fresh reader (no block
// known in advance). Run: build/release/bench/calldir_bench --benchmark_filter=NumberReader
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "lists/number_reader.h"

namespace {

// `count` distinct Korean mobile numbers in random order, written by `form`:
// 0 E.164 digits, 1 "+82 10-1234-5678", 2 "010-1234-5678".
std::vector<std::string> numbers(std::size_t count, int form) {
  std::vector<std::string> out;
  std::mt19937 random(3);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string line = std::to_string(20000000 + (i * 7919) % 80000000);  // 8 digits after "10"
    if (form == 0) out.push_back("8210" + line);
    if (form == 1) out.push_back("+82 10-" + line.substr(0, 4) + "-" + line.substr(4));
    if (form == 2) out.push_back("010-" + line.substr(0, 4) + "-" + line.substr(4));
  }
  std::shuffle(out.begin(), out.end(), random);
  return out;
}

void BM_NumberReader(benchmark::State& state) {
  const auto texts = numbers(static_cast<std::size_t>(state.range(0)), static_cast<int>(state.range(1)));
  std::size_t valid = 0;
  for (auto _ : state) {
    calldir::lists::NumberReader reader("KR");
    valid = 0;
    for (const std::string& text : texts) valid += reader.read(text).valid();
  }
  // A few prefixes (010-597x) are not in use: those numbers read as doubtful.
  state.counters["valid"] = static_cast<double>(valid);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * texts.size()));
}
BENCHMARK(BM_NumberReader)
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Args({1000000, 2})
    ->Unit(benchmark::kMillisecond);

}  // namespace

// Throughput of the codec layers on list texts of about 1 MB and 50 MB.
// Run: build/release/bench/calldir_bench --benchmark_filter=Codec
#include <benchmark/benchmark.h>

#include <string>

#include "codec/aes.h"
#include "codec/base64.h"
#include "codec/list_key.h"
#include "codec/text_decoding.h"

namespace {

using namespace calldir::codec;

// A plain caller list whose list text is about `text_bytes` long.
std::string plainList(std::size_t text_bytes) {
  std::string out = "[";
  long long number = 821000000001LL;
  while (out.size() < text_bytes * 3 / 4) {
    if (out.size() > 1) out += ",";
    out += "{\"number\":\"" + std::to_string(number++) + "\",\"name\":\"Caller name\"}";
  }
  return out + "]";
}

std::string listText(std::size_t text_bytes) {
  return base64Encoding(*AES256EncryptWithKey(plainList(text_bytes), getCallDirectoryEncryptKey()));
}

void BM_CodecBase64Decode(benchmark::State& state) {
  const std::string text = listText(static_cast<std::size_t>(state.range(0)));
  std::string out(text.size(), '\0');
  for (auto _ : state) {
    benchmark::DoNotOptimize(decodeBase64(text.data(), text.size(), out.data()));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_CodecBase64Encode(benchmark::State& state) {
  const std::string data = plainList(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(base64Encoding(data));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

void BM_CodecAesDecrypt(benchmark::State& state) {
  const std::string cipher = *AES256EncryptWithKey(plainList(static_cast<std::size_t>(state.range(0))),
                                                   getCallDirectoryEncryptKey());
  std::string buffer;
  for (auto _ : state) {
    state.PauseTiming();
    buffer = cipher;
    state.ResumeTiming();
    benchmark::DoNotOptimize(AES256DecryptInPlace(buffer, getCallDirectoryEncryptKey()));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * cipher.size()));
}

void BM_CodecGetDecodedText(benchmark::State& state) {
  const std::string text = listText(static_cast<std::size_t>(state.range(0)));
  std::string buffer;
  for (auto _ : state) {
    state.PauseTiming();
    buffer = text;
    state.ResumeTiming();
    benchmark::DoNotOptimize(decodeListTextInPlace(buffer));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

constexpr std::int64_t kOneMb = 1 << 20;
constexpr std::int64_t kFiftyMb = 50 << 20;

BENCHMARK(BM_CodecBase64Decode)->Arg(kOneMb)->Arg(kFiftyMb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CodecBase64Encode)->Arg(kOneMb)->Arg(kFiftyMb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CodecAesDecrypt)->Arg(kOneMb)->Arg(kFiftyMb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CodecGetDecodedText)->Arg(kOneMb)->Arg(kFiftyMb)->Unit(benchmark::kMillisecond);

}  // namespace

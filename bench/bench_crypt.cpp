// Encode and Decode of 1 MB with clsCrypt (target: under 10 ms each).
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "util/cls_crypt.h"

namespace {

constexpr std::size_t kMegabyte = 1 << 20;

std::string RandomBytes(std::size_t n) {
    std::mt19937 rng(72);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string data(n, '\0');
    for (char& c : data)
        c = static_cast<char>(byte(rng));
    return data;
}

void BM_Encode1MB(benchmark::State& state) {
    const vellorin::clsCrypt crypt;
    const std::string data = RandomBytes(kMegabyte);
    for (auto _ : state) {
        std::string encoded = crypt.Encode(data);
        benchmark::DoNotOptimize(encoded.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kMegabyte);
}
BENCHMARK(BM_Encode1MB)->Unit(benchmark::kMillisecond);

void BM_Decode1MB(benchmark::State& state) {
    const vellorin::clsCrypt crypt;
    const std::string encoded = crypt.Encode(RandomBytes(kMegabyte));
    for (auto _ : state) {
        std::string decoded = crypt.Decode(encoded);
        benchmark::DoNotOptimize(decoded.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kMegabyte);
}
BENCHMARK(BM_Decode1MB)->Unit(benchmark::kMillisecond);

// Building the tables is part of every IsSourceLink call.
void BM_ConstructInstance(benchmark::State& state) {
    for (auto _ : state) {
        vellorin::clsCrypt crypt;
        benchmark::DoNotOptimize(&crypt);
    }
}
BENCHMARK(BM_ConstructInstance);

}  // namespace

BENCHMARK_MAIN();

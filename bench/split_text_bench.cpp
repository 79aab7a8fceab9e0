// What splitText costs as its input grows. The figures to read: time per byte (per_byte)
// staying level from 1 KB to 1 MB, and the fitted complexity (BigO) being N.
#include <benchmark/benchmark.h>

#include <cstddef>

#include "bench_inputs.h"
#include "delivery/split_text.h"
#include "settings/config_file.h"

namespace quelvin {
namespace {

// A long sentence: GBK chat lines separated by ";".
void splitLines(benchmark::State& state) {
    const Text text = bench::chatLines(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(splitText(text, kPieceSeparator));
    }
    bench::reportBytes(state, text.size());
}

// The long delimiter at its most expensive: the text is made of near misses of the 32-byte
// section separator, each compared over 31 bytes before it fails.
void splitNearMisses(benchmark::State& state) {
    const Text text = bench::nearMisses(kSectionSeparator, static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(splitText(text, kSectionSeparator));
    }
    bench::reportBytes(state, text.size());
}

BENCHMARK(splitLines)->Apply(bench::sizes);
BENCHMARK(splitNearMisses)->Apply(bench::sizes);

}  // namespace
}  // namespace quelvin

// What the configuration codec costs as the file grows (a hand-edited file may hold very
// long sentences). Read per_byte (level from 1 KB to 1 MB when the cost is linear) and the
// fitted complexity (BigO).
#include <benchmark/benchmark.h>

#include <cstddef>

#include "bench_inputs.h"
#include "settings/config_file.h"

namespace quelvin {
namespace {

std::size_t sizeArg(const benchmark::State& state) { return static_cast<std::size_t>(state.range(0)); }

void encode(benchmark::State& state) {
    const Settings settings = bench::settingsOfSize(sizeArg(state));
    std::size_t bytes = 0;
    for (auto _ : state) {
        const Text file = encodeConfig(settings);
        bytes = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    bench::reportBytes(state, bytes);
}

void decodeSlotsOfFile(benchmark::State& state) {
    const Text file = encodeConfig(bench::settingsOfSize(sizeArg(state)));
    if (!decodeSlots(file)) {
        state.SkipWithError("the generated file does not decode");
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(decodeSlots(file));
    }
    bench::reportBytes(state, file.size());
}

void decodeWindowStateOfFile(benchmark::State& state) {
    const Text file = encodeConfig(bench::settingsOfSize(sizeArg(state)));
    if (!decodeWindowState(file)) {
        state.SkipWithError("the generated file does not decode");
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(decodeWindowState(file));
    }
    bench::reportBytes(state, file.size());
}

// A number behind a long run of blanks, full-width and ASCII, all of which are skipped.
void parseIntAfterBlanks(benchmark::State& state) {
    const Text text = bench::repeatTo(
                          " \t"
                          "\xA1\xA1",  // ideographic space
                          sizeArg(state)) +
                      "-1234";
    if (parseInt(text) != -1234) {
        state.SkipWithError("the number behind the blanks was not read");
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(parseInt(text));
    }
    bench::reportBytes(state, text.size());
}

BENCHMARK(encode)->Apply(bench::sizes);
BENCHMARK(decodeSlotsOfFile)->Apply(bench::sizes);
BENCHMARK(decodeWindowStateOfFile)->Apply(bench::sizes);
BENCHMARK(parseIntAfterBlanks)->Apply(bench::sizes);

}  // namespace
}  // namespace quelvin

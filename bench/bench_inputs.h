#pragma once

// Inputs of a chosen size for the host benchmarks, and the per-byte report they share.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>

#include "platform/text.h"
#include "settings/config_file.h"
#include "settings/settings.h"

namespace quelvin::bench {

constexpr std::int64_t k1K = std::int64_t{1} << 10;
constexpr std::int64_t k64K = std::int64_t{1} << 16;
constexpr std::int64_t k1M = std::int64_t{1} << 20;

// 1 KB, 64 KB and 1 MB of input, with the cost fitted against the size.
inline void sizes(benchmark::internal::Benchmark* b) {
    b->Arg(k1K)->Arg(k64K)->Arg(k1M)->Complexity(benchmark::oN);
}

// Repeats unit until the text is at least size bytes long.
inline Text repeatTo(const Text& unit, std::size_t size) {
    Text text;
    text.reserve(size + unit.size());
    while (text.size() < size) {
        text += unit;
    }
    return text;
}

// Chat lines as players write them: GBK text and commands separated by ";".
inline Text chatLines(std::size_t size) {
    return repeatTo(
        "\xB4\xF3\xBC\xD2\xBA\xC3"  // 大家好
        ";pose 58;"
        "\xC4\xE3\xBA\xC3"  // 你好
        " abc;",
        size);
}

// The delimiter less its last byte, then a byte that is not it, over and over: each copy
// compares all but one byte of the delimiter before it fails.
inline Text nearMisses(const Text& delimiter, std::size_t size) {
    return repeatTo(delimiter.substr(0, delimiter.size() - 1) + "#", size);
}

// A well-formed file of about size bytes: ten sentences of chat lines sharing the length.
inline Settings settingsOfSize(std::size_t size) {
    Settings settings;
    for (std::size_t i = 0; i < settings.slots.size(); ++i) {
        settings.slots[i].text = chatLines(size / settings.slots.size());
        settings.slots[i].keyMode = static_cast<KeyMode>(i % 3);
    }
    settings.window = WindowState{1070, 43, false, true};
    return settings;
}

// Fits the cost against the input size and shows it as time per byte (per_byte), which
// stays level as the input grows when the cost is linear.
inline void reportBytes(benchmark::State& state, std::size_t bytes) {
    state.SetComplexityN(static_cast<std::int64_t>(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
    state.counters["per_byte"] =
        benchmark::Counter(static_cast<double>(bytes),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace quelvin::bench

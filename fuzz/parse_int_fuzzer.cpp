// Fuzzes parseInt, the reader of every number in the configuration file.
// Input: the text to parse, followed by two numbers (the last 8 bytes) that drive the checks
// of known values.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "settings/config_file.h"

namespace {

using quelvin::parseInt;
using quelvin::Text;

// The full-width form of ASCII digits and a minus sign: each byte b becomes 0xA3, b + 0x80.
Text fullWidth(const std::string& ascii) {
    Text text;
    for (const char c : ascii) {
        text += '\xA3';
        text += static_cast<char>(static_cast<unsigned char>(c) + 0x80);
    }
    return text;
}

std::int32_t wrapToInt32(std::uint64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const auto n = provider.ConsumeIntegral<std::int32_t>();
    const auto high = provider.ConsumeIntegral<std::uint32_t>();
    const Text text = provider.ConsumeRemainingBytesAsString();

    // Any bytes at all: no crash and no undefined behaviour (UBSan watches the arithmetic).
    const int value = parseInt(text);

    // Blanks in front are skipped, ASCII or ideographic.
    QUELVIN_FUZZ_CHECK(parseInt(" \t" + text) == value);
    QUELVIN_FUZZ_CHECK(parseInt("\xA1\xA1" + text) == value);
    // The number ends at the first other character: nothing after it counts. 'x' also ends
    // a trailing lone lead byte as a character that is no digit.
    QUELVIN_FUZZ_CHECK(parseInt(text + "x7") == value);

    // Every int reads back from its decimal text, ASCII or full width, and whatever follows.
    const std::string decimal = std::to_string(n);
    QUELVIN_FUZZ_CHECK(parseInt(decimal) == n);
    QUELVIN_FUZZ_CHECK(parseInt(fullWidth(decimal)) == n);
    QUELVIN_FUZZ_CHECK(parseInt(decimal + "|" + text) == n);

    // Longer numbers wrap around at 32 bits: n + high * 2^32 reads as n, and its negation as
    // -n (with -INT_MIN wrapping to INT_MIN).
    const std::uint64_t big = (std::uint64_t{high} << 32) | static_cast<std::uint32_t>(n);
    QUELVIN_FUZZ_CHECK(parseInt(std::to_string(big)) == n);
    QUELVIN_FUZZ_CHECK(parseInt("-" + std::to_string(big)) == wrapToInt32(0 - std::uint64_t{big}));
    return 0;
}

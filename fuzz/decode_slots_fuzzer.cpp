// Fuzzes decodeSlots with whole files: what the settings window reads at start-up.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "config_fuzz.h"
#include "fuzz_check.h"
#include "settings/config_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quelvin;
    const Text file(reinterpret_cast<const char*>(data), size);

    // Either the fatal result or at most ten of each: a row past the tenth would be an
    // element past the end of the settings window's rows.
    const std::optional<DecodedSlots> slots = decodeSlots(file);
    if (!slots) {
        return 0;
    }
    QUELVIN_FUZZ_CHECK(slots->sentences.size() <= kSlotCount);
    QUELVIN_FUZZ_CHECK(slots->keys.size() <= kSlotCount);

    // Whatever was read is saved again on close, and that file must read back the same
    // rows: a file that loads once keeps loading.
    const Settings loaded = fuzz::settingsFromSlots(*slots, WindowState{});
    const std::optional<DecodedSlots> again = decodeSlots(encodeConfig(loaded));
    QUELVIN_FUZZ_CHECK(again.has_value());
    QUELVIN_FUZZ_CHECK(fuzz::settingsFromSlots(*again, WindowState{}) == loaded);
    return 0;
}

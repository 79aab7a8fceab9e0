// Fuzzes decodeWindowState with whole files: what the badge window reads at start-up.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "fuzz_check.h"
#include "settings/config_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quelvin;
    const Text file(reinterpret_cast<const char*>(data), size);

    const std::optional<WindowState> window = decodeWindowState(file);
    if (!window) {
        return 0;
    }
    // The badge's place and flags, saved again, read back the same.
    Settings settings;
    settings.window = *window;
    QUELVIN_FUZZ_CHECK(decodeWindowState(encodeConfig(settings)) == window);
    return 0;
}

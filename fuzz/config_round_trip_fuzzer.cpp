// Fuzzes the configuration codec from the other side: settings built from the input are
// encoded and decoded again, and must come back unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "config_fuzz.h"
#include "delivery/split_text.h"
#include "fuzz_check.h"
#include "settings/config_file.h"

namespace {

using quelvin::Text;

// Whether a sentence can be saved and read back as it is. Nothing in the file is escaped,
// so the text must not hold a separator, and it must not reach into the separator that
// follows it: a trailing lone lead byte would take the separator's first byte as its second,
// and a text ending in the section separator less its last byte would complete it early
// (the separator ends with the byte it starts with). splitText(text + s, s) is exactly
// {text} when neither happens.
bool savesVerbatim(const Text& text) {
    for (const Text& separator : {quelvin::kSectionSeparator, quelvin::kSentenceSeparator}) {
        if (quelvin::splitText(text + separator, separator) != std::vector<Text>{text}) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quelvin;
    FuzzedDataProvider provider(data, size);
    Settings settings;
    for (SlotSettings& slot : settings.slots) {
        slot.text = provider.ConsumeRandomLengthString(256);
        // Cut a text that cannot be saved back to its longest prefix that can (the empty
        // text always can), rather than throwing the whole input away.
        while (!savesVerbatim(slot.text)) {
            slot.text.pop_back();
        }
    }
    // Any int survives, not only the key box's -1..2: a hand-edited file may hold others.
    for (SlotSettings& slot : settings.slots) {
        slot.keyMode = provider.ConsumeIntegral<int>();
    }
    settings.window.left = provider.ConsumeIntegral<int>();
    settings.window.top = provider.ConsumeIntegral<int>();
    settings.window.moveFreely = provider.ConsumeBool();
    settings.window.alwaysOnTop = provider.ConsumeBool();

    const Text file = encodeConfig(settings);
    const std::optional<DecodedSlots> slots = decodeSlots(file);
    QUELVIN_FUZZ_CHECK(slots.has_value());
    QUELVIN_FUZZ_CHECK(slots->keys.size() == kSlotCount);
    const std::optional<WindowState> window = decodeWindowState(file);
    QUELVIN_FUZZ_CHECK(window.has_value());
    QUELVIN_FUZZ_CHECK(fuzz::settingsFromSlots(*slots, *window) == settings);
    return 0;
}

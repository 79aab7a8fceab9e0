#pragma once

// What the configuration fuzzers share: the settings the settings window would hold after
// reading a file.
#include <cstddef>

#include "settings/config_file.h"
#include "settings/settings.h"

namespace quelvin::fuzz {

// Row i takes sentence i and key i; a row beyond either list keeps its initial value (empty
// text, selection 0). The keys are kept as parsed: the key box's clamping is not the
// codec's business.
inline Settings settingsFromSlots(const DecodedSlots& slots, const WindowState& window) {
    Settings settings;
    for (std::size_t i = 0; i < settings.slots.size(); ++i) {
        settings.slots[i].text = i < slots.sentences.size() ? slots.sentences[i] : Text{};
        settings.slots[i].keyMode = i < slots.keys.size() ? slots.keys[i] : kKeyModeChatP;
    }
    settings.window = window;
    return settings;
}

}  // namespace quelvin::fuzz

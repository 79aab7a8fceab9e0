#include "delivery/slot_dispatcher.h"

#include "delivery/split_text.h"

namespace quelvin {

std::optional<std::uint32_t> keyForMode(KeyMode mode) {
    switch (mode) {
        case kKeyModeChatP:
            return 0x50;  // P
        case kKeyModeChatO:
            return 0x4F;  // O
        case kKeyModeCommand:
            return kCommandModeKey;
        default:
            return std::nullopt;
    }
}

void SlotDispatcher::onSlotHotkey(int k) {
    if (busy_) {
        return;
    }
    const Text text = slots_.rowText(k);
    if (text.empty()) {
        return;
    }
    busy_ = true;
    // Cleared however the send ends, so one odd row can never silence every slot.
    struct ClearBusy {
        bool& flag;
        ~ClearBusy() { flag = false; }
    } clearBusy{busy_};

    const std::vector<Text> pieces = splitText(text, kPieceSeparator);
    if (const auto key = keyForMode(slots_.rowKeyMode(k))) {
        poster_.sendPieces(*key, pieces);
    }
}

}  // namespace quelvin

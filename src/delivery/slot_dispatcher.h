#pragma once

#include <cstdint>
#include <optional>

#include "delivery/game_input_poster.h"
#include "delivery/slot_source.h"
#include "settings/settings.h"

namespace quelvin {

// The key sendPieces is given for a row's key selection, or nothing for no selection.
std::optional<std::uint32_t> keyForMode(KeyMode mode);

// Turns a slot hotkey into one send of that slot's sentence, read from its row at the
// moment of the press.
class SlotDispatcher {
public:
    SlotDispatcher(SlotSource& slots, GameInputPoster& poster) : slots_(slots), poster_(poster) {}

    // Slot k (1..10) fired. Dropped while another send is in progress: a chat send
    // dispatches messages during its waits, so this can be entered again inside one.
    void onSlotHotkey(int k);

    // Whether a send is in progress.
    bool busy() const { return busy_; }

private:
    SlotSource& slots_;
    GameInputPoster& poster_;
    bool busy_ = false;
};

}  // namespace quelvin

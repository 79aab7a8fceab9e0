#pragma once

#include <cstdint>

#include "delivery/game_input_poster.h"
#include "delivery/game_window_finder.h"
#include "delivery/slot_dispatcher.h"
#include "hotkeys/badge_view.h"
#include "hotkeys/hotkey_registry.h"

namespace quelvin {

// The period of the poll timer that calls onTimerTick.
constexpr std::uint32_t kPollPeriodMs = 500;

constexpr std::uint32_t kVkHome = 0x24;
constexpr std::uint32_t kVkEnd = 0x23;
constexpr std::uint32_t kVkNumpad0 = 0x60;  // keypad 0..9 are 0x60..0x69, for slots 1..10

// Follows the game: when it appears, Home is made live and pressed once, which turns the
// sentence hotkeys on; End turns them off again and Home back on; when the game goes, every
// hotkey is dropped. It also chooses the badge picture.
class ArmingController {
public:
    ArmingController(GameWindowFinder& finder, GameInputPoster& poster, HotkeyRegistry& registry,
                     SlotDispatcher& dispatcher, BadgeView& badge)
        : finder_(finder), poster_(poster), registry_(registry), dispatcher_(dispatcher), badge_(badge) {}

    // One poll: called by the poll timer, and once while the badge window is created.
    void onTimerTick();
    // Home's callback: keypad 0..9 and End become live.
    void arm();
    // End's callback: everything is dropped and Home registered afresh.
    void disarm();

    // Whether the arming sequence was started for the current run of the game. It stays
    // set with the hotkeys off, and also when Home could not be registered.
    bool armed() const { return armed_; }

private:
    GameWindowFinder& finder_;
    GameInputPoster& poster_;
    HotkeyRegistry& registry_;
    SlotDispatcher& dispatcher_;
    BadgeView& badge_;
    bool armed_ = false;
};

}  // namespace quelvin

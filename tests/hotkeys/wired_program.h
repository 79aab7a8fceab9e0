#pragma once

#include "delivery/game_input_poster.h"
#include "delivery/game_window_finder.h"
#include "delivery/slot_dispatcher.h"
#include "fake_slot_source.h"
#include "hotkeys/arming_controller.h"
#include "hotkeys/hotkey_registry.h"
#include "recording_badge_view.h"
#include "recording_window_system.h"

namespace quelvin {

// The program's objects wired to the recording window system. The badge window runs a poll
// tick on each WM_TIMER, as the real one does.
struct Program {
    Program() {
        badgeWindow = ws.addOwnWindow([this](MessageId message, WParam, LParam) {
            if (message == kWmTimer) {
                const bool gameAbsent = afterTick && finder.findGameWindow(kGameExe) == kNoWindow;
                arming.onTimerTick();
                if (afterTick) {
                    afterTick(gameAbsent);
                }
            }
        });
    }

    // A poll tick from the main loop, which then dispatches what the tick queued (the
    // synthetic Home press).
    void tick() {
        ws.postToUi(badgeWindow, kWmTimer, 1, 0);
        ws.dispatchQueued();
    }

    // The player presses a key and the main loop dispatches the hotkey message.
    void press(std::uint32_t vk) {
        ws.pressKey(vk);
        ws.dispatchQueued();
    }

    std::vector<HotkeyRegistration> registrations(std::vector<std::uint32_t> keys) const {
        std::vector<HotkeyRegistration> out;
        int id = 0;
        for (const std::uint32_t vk : keys) {
            out.push_back({badgeWindow, ++id, vk});
        }
        return out;
    }

    bool hooked() const { return ws.installedProcedure(badgeWindow) == RecordingWindowSystem::kHookValue; }

    // Called after each tick the badge window runs, with whether the game was absent.
    std::function<void(bool gameAbsent)> afterTick;

    RecordingWindowSystem ws;
    WindowHandle badgeWindow = kNoWindow;
    GameWindowFinder finder{ws};
    GameInputPoster poster{ws, finder};
    HotkeyRegistry registry{ws, [this] { return badgeWindow; }};
    FakeSlotSource slots;
    SlotDispatcher dispatcher{slots, poster};
    RecordingBadgeView badge;
    ArmingController arming{finder, poster, registry, dispatcher, badge};
};

}  // namespace quelvin

#include "hotkeys/arming_controller.h"

namespace quelvin {

void ArmingController::onTimerTick() {
    if (finder_.findGameWindow(kGameExe) == kNoWindow) {
        // The picture goes up before the drain in unregisterAll, so a queued End run by the
        // drain leaves HotkeysOff showing until the next tick.
        badge_.showBadge(BadgeImage::GameNotRunning);
        registry_.unregisterAll();
        armed_ = false;
        return;
    }
    if (armed_) {
        return;
    }
    registry_.registerHotkey(kVkHome, [this] { arm(); });
    // The press arrives as the Home hotkey once the message loop runs again, and arms.
    // If Home is held by another program the press goes there, nothing of ours is live,
    // and the badge keeps saying the game is not running until the game restarts.
    poster_.simulateKeyPress(kVkHome);
    armed_ = true;
}

void ArmingController::arm() {
    for (int i = 0; i < 10; ++i) {
        registry_.registerHotkey(kVkNumpad0 + static_cast<std::uint32_t>(i),
                                 [this, slot = i + 1] { dispatcher_.onSlotHotkey(slot); });
    }
    registry_.registerHotkey(kVkEnd, [this] { disarm(); });
    badge_.showBadge(BadgeImage::HotkeysOn);
}

void ArmingController::disarm() {
    registry_.unregisterAll();
    registry_.registerHotkey(kVkHome, [this] { arm(); });
    badge_.showBadge(BadgeImage::HotkeysOff);
}

}  // namespace quelvin

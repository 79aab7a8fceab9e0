#include "delivery/game_input_poster.h"

namespace quelvin {

namespace {

// SetWaitableTimer counts in 100 ns units; a negative due time is relative to now.
constexpr std::int64_t kTimerUnitsPerMs = 10000;

}  // namespace

void GameInputPoster::sendPieces(std::uint32_t key, const std::vector<Text>& pieces) {
    const WindowHandle target = finder_.findGameWindow(kGameExe);
    if (key == kCommandModeKey) {
        for (const Text& piece : pieces) {
            postChars(target, kCommandPrefix + piece + kLineEnd);
        }
        return;
    }
    for (const Text& piece : pieces) {
        postKeyPress(target, key);
        // The game needs a moment to open its chat line; the player's other hotkeys and
        // the poll timer are served meanwhile.
        pumpingWait(kChatOpenDelayMs);
        postChars(target, piece + kLineEnd);
    }
}

void GameInputPoster::postKeyPress(WindowHandle target, std::uint32_t vk) {
    if (target == kNoWindow) {
        return;
    }
    ws_.postMessage(target, kWmKeyDown, vk, 0);
    ws_.postMessage(target, kWmKeyUp, vk, 0);
}

void GameInputPoster::postChars(WindowHandle target, const Text& text) {
    if (target == kNoWindow) {
        return;
    }
    for (const char byte : text) {
        ws_.postMessage(target, kWmChar, static_cast<unsigned char>(byte), 0);
    }
}

void GameInputPoster::pumpingWait(std::uint32_t ms) {
    const std::uint64_t start = ws_.tickCount();
    const ScopedHandle timer(ws_, ws_.createWaitableTimer());
    if (!timer || !ws_.setWaitableTimer(timer.get(), -static_cast<std::int64_t>(ms) * kTimerUnitsPerMs)) {
        waitWithoutTimer(start, ms);
        return;
    }
    const KernelHandle handles[] = {timer.get()};
    for (;;) {
        const std::uint32_t woke = ws_.msgWaitForMultipleObjects(handles, kInfinite, kPumpWakeMask);
        if (woke == kWaitObject0) {
            return;
        }
        if (woke == kWaitFailed) {
            // Waiting on this timer again would fail again at once; wait out the rest by
            // the clock instead.
            waitWithoutTimer(start, ms);
            return;
        }
        ws_.processPendingMessages();
    }
}

void GameInputPoster::waitWithoutTimer(std::uint64_t start, std::uint32_t ms) {
    for (;;) {
        const std::uint64_t elapsed = ws_.tickCount() - start;
        // The clock is read in whole milliseconds, so only a difference above ms proves
        // that ms full milliseconds have passed.
        if (elapsed > ms) {
            return;
        }
        const auto left = static_cast<std::uint32_t>(ms + 1 - elapsed);
        const std::uint32_t woke = ws_.msgWaitForMultipleObjects({}, left, kPumpWakeMask);
        if (woke != kWaitTimeout) {
            ws_.processPendingMessages();
        }
    }
}

void GameInputPoster::simulateKeyPress(std::uint32_t vk) {
    const auto scan = static_cast<std::uint8_t>(ws_.mapVirtualKey(vk, kMapVkToVsc));
    ws_.keybdEvent(static_cast<std::uint8_t>(vk), scan, 0);
    ws_.keybdEvent(static_cast<std::uint8_t>(vk), scan, kKeyEventKeyUp);
}

}  // namespace quelvin

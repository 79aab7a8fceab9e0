#pragma once

#include <cstdint>
#include <vector>

#include "delivery/game_window_finder.h"
#include "platform/text.h"
#include "platform/window_system.h"

namespace quelvin {

// The game's image name.
inline const Text kGameExe = "Meteor.exe";
// The wait between the chat-opening key and the text of a chat line.
constexpr std::uint32_t kChatOpenDelayMs = 9;
// Sent after every line.
inline const Text kLineEnd = "\r\n";
// Sent before every line in command mode.
inline const Text kCommandPrefix = "\\";
// The key that selects command mode in sendPieces; it is never posted itself.
constexpr std::uint32_t kCommandModeKey = 0xDC;
// The input kinds whose arrival wakes pumpingWait to dispatch them.
constexpr std::uint32_t kPumpWakeMask = kQsKey | kQsMouseMove | kQsMouseButton | kQsPostMessage | kQsTimer |
                                        kQsPaint | kQsSendMessage | kQsHotkey;

// Makes the game receive a sentence as if the player had typed it, by posting key and
// character messages to its window, so the game does not need the foreground.
class GameInputPoster {
public:
    GameInputPoster(WindowSystem& windowSystem, GameWindowFinder& finder)
        : ws_(windowSystem), finder_(finder) {}

    // Sends each piece as one line to the game window, looked up once for the whole call.
    // key is a chat-opening key (posted, then a 9 ms pumping wait, then the line), or
    // kCommandModeKey (a backslash, then the line, without any wait).
    void sendPieces(std::uint32_t key, const std::vector<Text>& pieces);

    // WM_KEYDOWN then WM_KEYUP of vk with lParam 0; nothing for a null target.
    void postKeyPress(WindowHandle target, std::uint32_t vk);

    // One WM_CHAR per byte, lead byte first for a two-byte character; nothing for a null
    // target (such posts would land in our own queue, where no window takes them).
    void postChars(WindowHandle target, const Text& text);

    // Returns after at least ms milliseconds, dispatching the UI thread's messages as they
    // arrive meanwhile.
    void pumpingWait(std::uint32_t ms);

    // A system-wide press and release of vk, as if typed on the keyboard.
    void simulateKeyPress(std::uint32_t vk);

private:
    // Dispatches messages until the clock shows more than ms milliseconds since start.
    void waitWithoutTimer(std::uint64_t start, std::uint32_t ms);

    WindowSystem& ws_;
    GameWindowFinder& finder_;
};

}  // namespace quelvin

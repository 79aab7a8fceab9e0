#pragma once

#include "platform/text.h"
#include "platform/window_system.h"

namespace quelvin {

// Finds the window of the running game that should receive posted input. A null answer
// means the game is not running, even when a process of that name exists without a
// suitable window.
class GameWindowFinder {
public:
    explicit GameWindowFinder(WindowSystem& windowSystem) : ws_(windowSystem) {}

    // Looks at the first process whose image name equals exeName (ASCII case ignored), and
    // only at that process's first thread: the first of its top-level windows that is an
    // owned pop-up leads, through its chain of owners, to the window returned.
    WindowHandle findGameWindow(const Text& exeName);

private:
    WindowHandle windowOfFirstThread(std::uint32_t processId);
    WindowHandle topOwnerOf(WindowHandle window);

    WindowSystem& ws_;
};

// Maps 'A'-'Z' to 'a'-'z' and leaves every two-byte character as it is, so a trail byte
// that happens to lie in 'A'-'Z' is not folded.
Text asciiLower(const Text& text);

}  // namespace quelvin

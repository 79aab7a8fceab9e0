#pragma once

// What an end-to-end test does on the shared desktop: waiting, pressing keys and buttons as
// the player would, probing the system-wide hotkeys, reading the screen and other
// processes' windows.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/text.h"

namespace quelvin::e2e {

// Polls done() every stepMs until it holds or timeoutMs has passed, and returns its last
// answer. This thread's own messages are dispatched meanwhile, so the test's windows keep
// painting while it waits.
bool waitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD stepMs = 20);

// Dispatches this thread's messages for ms milliseconds. Only for waiting out the absence
// of something, where there is no condition to poll.
void pumpFor(DWORD ms);

// A system-wide key press and release, as from the keyboard; the modifiers are held around
// it and released after it.
void pressKey(BYTE vk, std::initializer_list<BYTE> modifiers = {});

// Puts the mouse pointer at a screen point and waits until it stays there. False if it
// did not.
bool pointAt(POINT point);

// A press and release of the left or right mouse button at a screen point.
void clickAt(POINT point, bool rightButton = false);

// A mouse move to a screen point, as the mouse itself reports one.
void moveMouseTo(POINT point);
// The left mouse button pressed or released where the mouse is.
void leftButton(bool down);

// Whether some program holds vk (without modifiers) as a hotkey: registering it from here
// fails then. A successful probe is undone at once.
bool hotkeyHeld(UINT vk);

// A key held as a hotkey by this test, as another program would hold it, for as long as the
// object lives. Its presses reach this thread and are counted while waitUntil runs.
class HeldHotkey {
public:
    explicit HeldHotkey(UINT vk);
    HeldHotkey(const HeldHotkey&) = delete;
    HeldHotkey& operator=(const HeldHotkey&) = delete;
    ~HeldHotkey() { release(); }

    bool held() const { return held_; }
    void release();
    int presses() const;

private:
    int id_;
    bool held_;
};

// 0xRRGGBB.
using Rgb = std::uint32_t;
constexpr Rgb rgbOf(COLORREF colour) {
    return (static_cast<Rgb>(GetRValue(colour)) << 16) | (static_cast<Rgb>(GetGValue(colour)) << 8) |
           GetBValue(colour);
}

// What the screen shows at one point, read with GetPixel on the screen DC.
Rgb screenPixel(int x, int y);

// What the screen shows in a rectangle, row by row, read in one copy from the screen DC
// (layered windows included).
std::vector<Rgb> captureScreen(const RECT& area);

// An opaque window of one colour, shown without activation and without being topmost;
// destroyed with the object.
class SolidWindow {
public:
    SolidWindow(const RECT& area, COLORREF colour);
    SolidWindow(const SolidWindow&) = delete;
    SolidWindow& operator=(const SolidWindow&) = delete;
    ~SolidWindow();
    HWND handle() const { return window_; }

private:
    HBRUSH brush_;
    HWND window_ = nullptr;
};

// ---- Windows of another process ----

std::vector<HWND> topLevelWindowsOf(DWORD processId);
std::vector<HWND> childWindowsOf(HWND parent);  // direct children only
std::string classNameOf(HWND window);
// The window's text asked with WM_GETTEXT, which also works for a control of another
// process (GetWindowTextA does not ask it). Empty if the window does not answer in time.
Text windowTextOf(HWND window);
RECT windowRectOf(HWND window);
// A child's rectangle in its parent's client coordinates.
RECT clientRectInParent(HWND child);
// One line for failure messages: handle, class, text, rectangle, visibility, styles.
std::string describeWindow(HWND window);
// GBK bytes made readable in a failure message: printable ASCII as it is, every other byte
// as \xNN.
std::string printable(const Text& text);
std::string describeRect(const RECT& rect);

}  // namespace quelvin::e2e

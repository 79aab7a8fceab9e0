#pragma once

#include <array>

#include "platform/text.h"

namespace quelvin {

// The selection index of a row's key box; it is also how the slot's sentence is sent.
using KeyMode = int;
constexpr KeyMode kKeyModeNone = -1;    // no selection: the slot sends nothing
constexpr KeyMode kKeyModeChatP = 0;    // chat, opened with P
constexpr KeyMode kKeyModeChatO = 1;    // chat, opened with O
constexpr KeyMode kKeyModeCommand = 2;  // console command, sent after a backslash

constexpr int kSlotCount = 10;

// One sentence slot. Slot k (1..10) is fired by numeric-keypad key k - 1.
struct SlotSettings {
    Text text;
    KeyMode keyMode = kKeyModeChatP;
    friend bool operator==(const SlotSettings&, const SlotSettings&) = default;
};

// Where the badge stands and how it behaves.
struct WindowState {
    int left = 0;
    int top = 0;
    bool moveFreely = false;
    bool alwaysOnTop = true;
    friend bool operator==(const WindowState&, const WindowState&) = default;
};

// Everything the configuration file holds. slots[0] is slot 1.
struct Settings {
    std::array<SlotSettings, kSlotCount> slots;
    WindowState window;
    friend bool operator==(const Settings&, const Settings&) = default;
};

}  // namespace quelvin

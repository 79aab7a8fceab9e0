#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/window_system.h"

namespace quelvin {

// Registers system-wide hotkeys on the badge window and runs a callback when one fires.
// Ids are handed out by counting and start again at 1 after every unregisterAll; the live
// ids are exactly 1..count(). While at least one hotkey is live the badge window's
// procedure is replaced by onHotkeyMessage, which passes every message on to the procedure
// it replaced.
class HotkeyRegistry final : private MessageHook {
public:
    using Callback = std::function<void()>;

    // badgeWindow answers the badge window's current handle; it is asked at every
    // registration, because the badge window's creation itself runs the first one.
    HotkeyRegistry(WindowSystem& windowSystem, std::function<WindowHandle()> badgeWindow)
        : ws_(windowSystem), badgeWindow_(std::move(badgeWindow)) {}

    HotkeyRegistry(const HotkeyRegistry&) = delete;
    HotkeyRegistry& operator=(const HotkeyRegistry&) = delete;

    // Registers vk without modifiers. Returns its id (>= 1), or 0 when the key is already
    // held, by another program or by us; a failure changes nothing but window().
    int registerHotkey(std::uint32_t vk, Callback callback);

    // Dispatches the messages already queued (so a hotkey pressed just before still runs),
    // then drops every live hotkey and puts the window's procedure back. Always 1.
    int unregisterAll();

    // The replacement window procedure.
    LResult onHotkeyMessage(WindowHandle window, MessageId message, WParam wParam, LParam lParam);

    int count() const { return count_; }
    WindowHandle window() const { return window_; }
    // The procedure the hook replaced; empty until the hook has been installed once.
    std::optional<WindowProcedure> savedProc() const { return savedProc_; }
    const std::vector<Callback>& table() const { return table_; }

private:
    LResult onMessage(WindowHandle window, MessageId message, WParam wParam,
                      LParam lParam) noexcept override {
        return onHotkeyMessage(window, message, wParam, lParam);
    }

    WindowSystem& ws_;
    std::function<WindowHandle()> badgeWindow_;
    int count_ = 0;
    WindowHandle window_ = kNoWindow;
    std::optional<WindowProcedure> savedProc_;
    std::vector<Callback> table_;
};

}  // namespace quelvin

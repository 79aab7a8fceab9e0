#include "hotkeys/hotkey_registry.h"

namespace quelvin {

int HotkeyRegistry::registerHotkey(std::uint32_t vk, Callback callback) {
    ++count_;
    window_ = badgeWindow_();
    if (!ws_.registerHotKey(window_, count_, 0, vk)) {
        // The next registration tries the same id again.
        --count_;
        return 0;
    }
    if (count_ == 1) {
        const WindowProcedure hook = ws_.hookProcedure(*this);
        const WindowProcedure previous = ws_.setWindowProcedure(window_, hook);
        // Never remember a failed swap (0) or our own hook as the procedure to pass
        // messages on to and to put back: either would cut the window off from its own.
        if (previous != 0 && previous != hook) {
            savedProc_ = previous;
        }
    }
    table_.push_back(std::move(callback));
    return count_;
}

int HotkeyRegistry::unregisterAll() {
    ws_.processPendingMessages();
    // Read only after the drain: a callback run by it (End's) may itself have unregistered
    // everything and registered Home again, and exactly what is live now must go.
    const int live = count_;
    for (int id = 1; id <= live; ++id) {
        ws_.unregisterHotKey(window_, id);
    }
    count_ = 0;
    table_.clear();
    // With no procedure ever saved (every registration failed), the window keeps its own.
    if (savedProc_ && window_ != kNoWindow) {
        ws_.setWindowProcedure(window_, *savedProc_);
    }
    return 1;
}

LResult HotkeyRegistry::onHotkeyMessage(WindowHandle window, MessageId message, WParam wParam,
                                        LParam lParam) {
    if (message == kWmHotkey) {
        // Ids are 32-bit and signed: the system's own hotkeys use -1 and -2.
        const auto id = static_cast<std::int32_t>(static_cast<std::uint32_t>(wParam));
        // An id past the table (a key pressed between a drain and its unregistration, or a
        // message posted by another program) runs nothing.
        if (id > 0 && static_cast<std::size_t>(id) <= table_.size()) {
            // A copy: the callback may unregister everything and so empty the table.
            const Callback callback = table_[static_cast<std::size_t>(id) - 1];
            callback();
        }
    }
    // Read after the callback: the procedure saved at this moment gets the message, hotkey
    // messages included.
    if (!savedProc_) {
        return 0;
    }
    return ws_.callWindowProcedure(*savedProc_, window, message, wParam, lParam);
}

}  // namespace quelvin

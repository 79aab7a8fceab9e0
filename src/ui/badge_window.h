#pragma once

#include <windows.h>

#include <functional>
#include <span>

#include "hotkeys/badge_view.h"
#include "settings/config_store.h"
#include "settings/settings.h"
#include "ui/badge_renderer.h"
#include "ui/settings_window.h"
#include "ui/window_state_source.h"

namespace quelvin {

// The complete image file (PNG) to show for a badge state. The bytes must outlive the call.
using BadgePictureSource = std::function<std::span<const unsigned char>(BadgeImage)>;

// What the badge window calls out to; the window owns none of the objects behind them.
struct BadgeWindowHooks {
    // The poll timer's tick (the arming controller's onTimerTick). Also run once while the
    // window is created, before the timer starts.
    std::function<void()> pollTick;
    // The window has been destroyed. The program ends its message loop here.
    std::function<void()> destroyed;
};

// The program's main window: a 123 x 40 picture without caption or border that floats above
// other windows and shows the arming state. It is the window every hotkey is registered on,
// it owns the poll timer, and its right-click menu holds the program's four commands.
//
// Window class "QuelvinBadge" (stable: tests and tools find the window by it). It has no
// taskbar button because it is owned by a window that is never shown (class
// "QuelvinBadgeOwner"); the skin replaces the whole extended style, so no extended-style
// bit could keep the button away.
//
// The window procedure finds this object through the window itself, so it works the same
// whether it is installed or called through CallWindowProcA by a procedure that replaced
// it (the hotkey registry does that while hotkeys are live).
class BadgeWindow : public BadgeView, public WindowStateSource {
public:
    static constexpr char kClassName[] = "QuelvinBadge";
    static constexpr char kOwnerClassName[] = "QuelvinBadgeOwner";
    static constexpr int kWidth = 123;
    static constexpr int kHeight = 40;
    // The poll timer; its period is the arming controller's kPollPeriodMs.
    static constexpr UINT_PTR kPollTimerId = 1;
    // The menu pops up this far right of the badge's left edge, just below its bottom edge.
    static constexpr int kMenuOffsetX = 38;

    // The pop-up menu's commands, as WM_COMMAND identifiers.
    enum Command : UINT {
        kShowSettings = 1,
        kToggleMoveFreely = 2,
        kToggleAlwaysOnTop = 3,
        kExit = 4,
    };

    BadgeWindow(BadgeRenderer& skin, const ConfigStore& store, SettingsWindow& settings,
                BadgePictureSource pictures, ConfigFaultHandler onConfigFault, BadgeWindowHooks hooks);
    BadgeWindow(const BadgeWindow&) = delete;
    BadgeWindow& operator=(const BadgeWindow&) = delete;
    ~BadgeWindow();

    // Creates the window. Its creation attaches the skin, shows the GameNotRunning picture,
    // restores the position and flags from the file (or places the badge near the top
    // right corner), refreshes the picture, runs one poll tick and starts the poll timer.
    // Returns false if the window could not be created.
    bool create();

    // Shows the embedded picture for the state.
    void showBadge(BadgeImage image) override;
    // The badge's outer left and top now, and the check marks of its two flag items.
    WindowState badgeWindowState() override;

    // The window handle, known from the start of creation on; null before and after.
    HWND handle() const { return hwnd_; }

private:
    // noexcept: an exception must never unwind through the system's code that called in.
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void onCreate();
    void restoreWindowState();
    bool onActivate(WPARAM wParam);
    void onRightButtonUp();
    void onCommand(UINT command);
    void setAlwaysOnTop(bool on);

    BadgeRenderer& skin_;
    const ConfigStore& store_;
    SettingsWindow& settings_;
    BadgePictureSource pictures_;
    ConfigFaultHandler onConfigFault_;
    BadgeWindowHooks hooks_;

    HWND owner_ = nullptr;
    HWND hwnd_ = nullptr;
    bool settingsCreated_ = false;
    // The two flags are stored as the check marks of their menu items; the menu is built
    // afresh from these each time it pops up, so the marks and the flags never disagree.
    bool moveFreely_ = false;
    bool alwaysOnTop_ = true;
};

}  // namespace quelvin

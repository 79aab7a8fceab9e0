#include "ui/badge_window.h"

#include <optional>
#include <utility>

#include "hotkeys/arming_controller.h"
#include "settings/config_file.h"
#include "ui/win32_resources.h"

namespace quelvin {

namespace {

// Menu texts.
constexpr char kShowSettingsText[] = "\xC9\xE8\xD6\xC3\xD2\xAA\xCB\xB5\xB5\xC4\xBB\xB0";  // 设置要说的话
constexpr char kMoveFreelyText[] = "\xCB\xE6\xD2\xE2\xD2\xC6\xB6\xAF";                    // 随意移动
constexpr char kAlwaysOnTopText[] = "\xB4\xB0\xBF\xDA\xD6\xC3\xB6\xA5";                   // 窗口置顶
constexpr char kExitText[] = "\xCD\xCB\xB3\xF6";                                          // 退出

LRESULT CALLBACK ownerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    return DefWindowProcA(window, message, wParam, lParam);
}

UINT checkedIf(bool on) { return on ? MF_CHECKED : MF_UNCHECKED; }

}  // namespace

BadgeWindow::BadgeWindow(BadgeRenderer& skin, const ConfigStore& store, SettingsWindow& settings,
                         BadgePictureSource pictures, ConfigFaultHandler onConfigFault,
                         BadgeWindowHooks hooks)
    : skin_(skin),
      store_(store),
      settings_(settings),
      pictures_(std::move(pictures)),
      onConfigFault_(std::move(onConfigFault)),
      hooks_(std::move(hooks)) {}

BadgeWindow::~BadgeWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
    if (owner_) DestroyWindow(owner_);
}

bool BadgeWindow::create() {
    static const bool registered = [] {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        WNDCLASSEXA badge{};
        badge.cbSize = sizeof(badge);
        badge.lpfnWndProc = procedure;
        badge.hInstance = instance;
        badge.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        badge.lpszClassName = kClassName;
        WNDCLASSEXA owner{};
        owner.cbSize = sizeof(owner);
        owner.lpfnWndProc = ownerProcedure;
        owner.hInstance = instance;
        owner.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
        owner.lpszClassName = kOwnerClassName;
        return RegisterClassExA(&badge) != 0 && RegisterClassExA(&owner) != 0;
    }();
    if (!registered || hwnd_) return false;

    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!owner_) {
        owner_ = CreateWindowExA(0, kOwnerClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                                 nullptr);
    }
    // Created centred and topmost; the creation handler then moves it into place.
    const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    CreateWindowExA(WS_EX_TOPMOST, kClassName, "", WS_POPUP | WS_VISIBLE, left, top, kWidth, kHeight, owner_,
                    nullptr, instance, this);
    return hwnd_ != nullptr;
}

LRESULT CALLBACK BadgeWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<BadgeWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<BadgeWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        const LRESULT result = DefWindowProcA(window, message, wParam, lParam);
        if (self->hooks_.destroyed) self->hooks_.destroyed();
        return result;
    }
    return self->onMessage(message, wParam, lParam);
}

LRESULT BadgeWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            onCreate();
            return 0;
        case WM_ACTIVATE:
            if (onActivate(wParam)) return 0;
            break;
        case WM_TIMER:
            if (wParam == kPollTimerId) {
                if (hooks_.pollTick) hooks_.pollTick();
                return 0;
            }
            break;
        case WM_LBUTTONDOWN:
            // A press anywhere on the picture grabs the badge as a caption would; the press
            // itself still goes on as usual.
            if (moveFreely_) PostMessageA(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
            break;
        case WM_RBUTTONUP:
            onRightButtonUp();
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == 0 && lParam == 0) {
                onCommand(LOWORD(wParam));
                return 0;
            }
            break;
        case WM_DESTROY:
            KillTimer(hwnd_, kPollTimerId);
            // The picture goes with the window.
            skin_.detach();
            break;
        default:
            break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void BadgeWindow::onCreate() {
    skin_.attach(hwnd_);
    skin_.setBackgroundPng(pictures_(BadgeImage::GameNotRunning));
    restoreWindowState();
    skin_.refresh();
    if (hooks_.pollTick) hooks_.pollTick();
    SetTimer(hwnd_, kPollTimerId, kPollPeriodMs, nullptr);
}

void BadgeWindow::restoreWindowState() {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    std::optional<WindowState> state;
    if (store_.exists()) {
        state = decodeWindowState(store_.loadText());
        if (!state && onConfigFault_) onConfigFault_();
    }
    if (!state) {
        // No file: near the top right corner, with both flags as created.
        const WindowState defaults = defaultSettings(screenWidth).window;
        SetWindowPos(hwnd_, nullptr, defaults.left, defaults.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    SetWindowPos(hwnd_, nullptr, state->left, state->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    moveFreely_ = state->moveFreely;
    setAlwaysOnTop(state->alwaysOnTop);
}

bool BadgeWindow::onActivate(WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE || settingsCreated_) return false;
    // The first activation creates the settings window, which loads the sentences. A first
    // run, without a file, greets the player with it.
    settingsCreated_ = true;
    settings_.create(hwnd_, *this);
    if (store_.exists()) return false;
    settings_.show();
    // The settings window has taken the activation and the focus; the ordinary handling
    // would pull the focus back to the badge.
    return true;
}

void BadgeWindow::onRightButtonUp() {
    RECT rect;
    GetWindowRect(hwnd_, &rect);

    // Built afresh each time, so the check marks show the flags as they are now.
    Menu menu(CreatePopupMenu());
    AppendMenuA(menu.get(), MF_STRING, kShowSettings, kShowSettingsText);
    AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu.get(), MF_STRING | checkedIf(moveFreely_), kToggleMoveFreely, kMoveFreelyText);
    AppendMenuA(menu.get(), MF_STRING | checkedIf(alwaysOnTop_), kToggleAlwaysOnTop, kAlwaysOnTopText);
    AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu.get(), MF_STRING, kExit, kExitText);

    // Without the badge in the foreground the menu would not close on a click elsewhere.
    SetForegroundWindow(hwnd_);
    // The cursor plays no part: the menu opens below the badge, 38 px in from its left edge.
    TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, rect.left + kMenuOffsetX,
                   rect.top + (rect.bottom - rect.top), 0, hwnd_, nullptr);
    PostMessageA(hwnd_, WM_NULL, 0, 0);
}

void BadgeWindow::onCommand(UINT command) {
    switch (command) {
        case kShowSettings:
            if (!settingsCreated_) {
                settingsCreated_ = true;
                settings_.create(hwnd_, *this);
            }
            settings_.show();
            break;
        case kToggleMoveFreely:
            moveFreely_ = !moveFreely_;
            break;
        case kToggleAlwaysOnTop:
            setAlwaysOnTop(!alwaysOnTop_);
            break;
        case kExit:
            settings_.saveAndHide();
            DestroyWindow(hwnd_);
            break;
        default:
            break;
    }
}

void BadgeWindow::setAlwaysOnTop(bool on) {
    alwaysOnTop_ = on;
    SetWindowPos(hwnd_, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void BadgeWindow::showBadge(BadgeImage image) {
    skin_.setBackgroundPng(pictures_(image));
    skin_.refresh();
}

WindowState BadgeWindow::badgeWindowState() {
    RECT rect{};
    if (hwnd_) GetWindowRect(hwnd_, &rect);
    return WindowState{rect.left, rect.top, moveFreely_, alwaysOnTop_};
}

}  // namespace quelvin

// Quelvin.exe: start-up, the message loop and shutdown.
//
// Start-up creates the few process-wide objects, starts GDI+ and creates the badge window;
// the badge window's creation and first activation do the rest (see BadgeWindow). The loop
// then runs until the badge window is destroyed, which posts the quit request. The only
// other way out is the fatal error report, which ends the process on the spot.
//
// Driving the program from outside (end-to-end tests, tools), these names are stable:
//  - the badge: window class "QuelvinBadge" (its hidden owner: "QuelvinBadgeOwner"); its
//    menu commands arrive as WM_COMMAND with BadgeWindow::Command ids (1 show settings,
//    2 move freely, 3 always on top, 4 exit) and lParam 0;
//  - the settings window: class "QuelvinSettings"; row k's key box has control id 100 + k
//    and its text box 200 + k;
//  - the fatal report: a standard message box (class "#32770") captioned kFatalReportCaption.

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "delivery/game_input_poster.h"
#include "delivery/game_window_finder.h"
#include "delivery/slot_dispatcher.h"
#include "hotkeys/arming_controller.h"
#include "hotkeys/hotkey_registry.h"
#include "platform/win32_window_system.h"
#include "settings/config_file.h"
#include "settings/config_store.h"
#include "settings/fatal_report.h"
#include "ui/badge_pictures.h"
#include "ui/badge_renderer.h"
#include "ui/badge_window.h"
#include "ui/imaging.h"
#include "ui/settings_window.h"

namespace quelvin {
namespace {

// The fatal error report: nothing is saved and no cleanup runs.
[[noreturn]] void showFatalReport(int code, const Text& message) {
    const Text text = fatalReportText(code, message);
    MessageBoxA(nullptr, text.c_str(), kFatalReportCaption.c_str(), MB_ICONERROR);
    ExitProcess(static_cast<UINT>(kFatalExitStatus));
}

// A configuration file that cannot be decoded: an element past the end of a list was
// asked for.
void onConfigFault() { showFatalReport(kSubscriptOutOfRangeCode, kSubscriptOutOfRangeMessage); }

// The full path of this executable, however long.
Text exePath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) return Text(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::span<const unsigned char> embeddedPicture(BadgeImage image) {
    const PictureBytes picture = badgePicture(image);
    return {picture.data, picture.size};
}

int run() {
    // Process-wide objects, released by the exit cleanup below in this order: the frame
    // dimension, the skin, the hotkey table.
    auto frameDimension = std::make_unique<GUID>();
    auto skin = std::make_unique<BadgeRenderer>(frameDimension.get());
    BadgeWindow* badgeWindow = nullptr;
    Win32WindowSystem windowSystem;
    auto registry = std::make_unique<HotkeyRegistry>(windowSystem, [&badgeWindow] {
        return badgeWindow ? reinterpret_cast<WindowHandle>(badgeWindow->handle()) : kNoWindow;
    });

    startImaging();
    parseGuid(kFrameDimensionTimeText, frameDimension.get());

    const ConfigStore store(configPathFor(exePath()));
    GameWindowFinder finder(windowSystem);
    GameInputPoster poster(windowSystem, finder);
    SettingsWindow settings(store, onConfigFault);
    SlotDispatcher dispatcher(settings, poster);
    std::optional<ArmingController> arming;
    BadgeWindow badge(*skin, store, settings, embeddedPicture, onConfigFault,
                      BadgeWindowHooks{
                          [&arming] { arming->onTimerTick(); },
                          // The badge window is the program's last window.
                          [] { PostQuitMessage(0); },
                      });
    badgeWindow = &badge;
    arming.emplace(finder, poster, *registry, dispatcher, badge);

    if (!badge.create()) return 1;

    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (settings.translateDialogMessage(&message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    // The exit cleanup.
    frameDimension.reset();
    skin.reset();
    registry.reset();
    return static_cast<int>(message.wParam);
}

}  // namespace
}  // namespace quelvin

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The key boxes and text boxes in the visual style the manifest asks for.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    return quelvin::run();
}

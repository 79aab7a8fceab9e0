#pragma once

// The program's objects wired as Quelvin.exe wires them (src/app/main.cpp): the real badge
// window with its skin, the settings window, the arming controller, the hotkey registry,
// the finder and the poster. The configuration file is at a path of the benchmark's own
// where no file exists, as on a first run, and nothing is ever saved there.
//
// Poll ticks are driven by the benchmark, as WM_TIMER messages sent to the badge window
// (the same path the poll timer takes); the window's own 500 ms timer is stopped, so that
// every tick counted is one the benchmark made.

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>

#include "delivery/game_input_poster.h"
#include "delivery/game_window_finder.h"
#include "delivery/slot_dispatcher.h"
#include "hotkeys/arming_controller.h"
#include "hotkeys/hotkey_registry.h"
#include "platform/win32_window_system.h"
#include "settings/config_store.h"
#include "ui/badge_pictures.h"
#include "ui/badge_renderer.h"
#include "ui/badge_window.h"
#include "ui/imaging.h"
#include "ui/settings_window.h"

namespace quelvin::bench {

class BadgeProgram {
public:
    explicit BadgeProgram(const Text& configPath) : store_(configPath) {
        DeleteFileA(configPath.c_str());
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        startImaging();
        parseGuid(kFrameDimensionTimeText, &frameDimension_);
        // Last, as in the program: the controller shows its pictures through the badge.
        arming_.emplace(finder_, poster_, registry_, dispatcher_, badge_);
    }
    BadgeProgram(const BadgeProgram&) = delete;
    BadgeProgram& operator=(const BadgeProgram&) = delete;
    ~BadgeProgram() { registry_.unregisterAll(); }

    // Creates the badge window, which attaches the skin, shows its first picture and runs the
    // first poll tick.
    bool create() {
        if (!badge_.create()) {
            return false;
        }
        KillTimer(badge_.handle(), BadgeWindow::kPollTimerId);
        pump();
        return true;
    }

    // One poll tick, through the badge window's procedure.
    void tick() { SendMessageA(badge_.handle(), WM_TIMER, BadgeWindow::kPollTimerId, 0); }

    // The main loop's share: whatever is queued for the UI thread.
    void pump() { ws_.processPendingMessages(); }

    GameWindowFinder& finder() { return finder_; }
    BadgeWindow& badge() { return badge_; }
    HotkeyRegistry& registry() { return registry_; }
    ArmingController& arming() { return *arming_; }

private:
    static std::span<const unsigned char> picture(BadgeImage image) {
        const PictureBytes bytes = badgePicture(image);
        return {bytes.data, bytes.size};
    }

    static void onConfigFault() {
        std::printf("the configuration could not be read\n");
        std::exit(2);
    }

    GUID frameDimension_{};
    BadgeRenderer skin_{&frameDimension_};
    Win32WindowSystem ws_;
    ConfigStore store_;
    GameWindowFinder finder_{ws_};
    GameInputPoster poster_{ws_, finder_};
    HotkeyRegistry registry_{ws_, [this] { return reinterpret_cast<WindowHandle>(badge_.handle()); }};
    SettingsWindow settings_{store_, &BadgeProgram::onConfigFault};
    SlotDispatcher dispatcher_{settings_, poster_};
    std::optional<ArmingController> arming_;
    BadgeWindow badge_{skin_,
                       store_,
                       settings_,
                       &BadgeProgram::picture,
                       &BadgeProgram::onConfigFault,
                       BadgeWindowHooks{[this] { arming_->onTimerTick(); }, [] {}}};
};

}  // namespace quelvin::bench

// Hotkeys and arming on the real window system (Wine here), against the test game. What the
// test process holds is seen from outside, through hotkey_probe.exe: a key held by any
// program cannot be registered by another.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

#include "delivery/game_input_poster.h"
#include "delivery/game_window_finder.h"
#include "delivery/slot_dispatcher.h"
#include "fake_slot_source.h"
#include "hotkey_probe_process.h"
#include "hotkeys/arming_controller.h"
#include "hotkeys/hotkey_registry.h"
#include "platform/win32_window_system.h"
#include "recording_badge_view.h"
#include "test_game_process.h"

namespace quelvin {
namespace {

const std::vector<UINT> kSlotAndEndKeys = {0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x23};

// A hidden top-level window standing in for the badge; its own procedure counts what
// reaches it.
class BadgeWindow {
public:
    BadgeWindow() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "QuelvinTestBadge";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(WS_EX_TOOLWINDOW, "QuelvinTestBadge", "", WS_POPUP, 0, 0, 123, 40, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
        hotkeyMessages_ = 0;
    }
    ~BadgeWindow() { DestroyWindow(window_); }
    HWND get() const { return window_; }
    WindowHandle handle() const { return reinterpret_cast<WindowHandle>(window_); }
    // WM_HOTKEY messages that reached the window's own procedure.
    int hotkeyMessages() const { return hotkeyMessages_; }
    static WNDPROC ownProcedure() { return &procedure; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_HOTKEY) {
            ++hotkeyMessages_;
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    static inline int hotkeyMessages_ = 0;
    HWND window_;
};

std::vector<bool> all(std::size_t n, bool value) { return std::vector<bool>(n, value); }

class HotkeysOnWindows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(badgeWindow_.get(), nullptr);
        slots_.set(1, "\xCA\xBE\xC0\xFD\x31", kKeyModeChatP);  // 示例1
        slots_.set(10, "\\x", kKeyModeCommand);
    }

    void TearDown() override {
        // Whatever happened, the test process holds nothing afterwards.
        registry_.unregisterAll();
    }

    // The main loop, until done() or a timeout.
    bool runLoopUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
        const DWORD begin = GetTickCount();
        for (;;) {
            ws_.processPendingMessages();
            if (done()) {
                return true;
            }
            if (GetTickCount() - begin > timeoutMs) {
                return false;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
    }

    WNDPROC installedProcedure() const {
        return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(badgeWindow_.get(), GWLP_WNDPROC));
    }

    BadgeWindow badgeWindow_;
    Win32WindowSystem ws_;
    GameWindowFinder finder_{ws_};
    GameInputPoster poster_{ws_, finder_};
    HotkeyRegistry registry_{ws_, [this] { return badgeWindow_.handle(); }};
    FakeSlotSource slots_;
    SlotDispatcher dispatcher_{slots_, poster_};
    RecordingBadgeView badge_;
    ArmingController arming_{finder_, poster_, registry_, dispatcher_, badge_};
    TestGameProcess game_;
};

TEST_F(HotkeysOnWindows, ArmsWithTheGameSendsOnKeypadAndLetsGoAgain) {
    ASSERT_TRUE(game_.start({})) << game_.error();

    // The tick finds the game, takes Home and presses it.
    arming_.onTimerTick();
    EXPECT_EQ(registry_.count(), 1);
    EXPECT_EQ(keysFreeForOthers({VK_HOME}), std::vector<bool>{false});

    // The press comes back as the Home hotkey, which arms.
    ASSERT_TRUE(runLoopUntil([&] { return badge_.current() == BadgeImage::HotkeysOn; }));
    EXPECT_EQ(registry_.count(), 12);
    EXPECT_EQ(keysFreeForOthers(kSlotAndEndKeys), all(kSlotAndEndKeys.size(), false));
    EXPECT_NE(installedProcedure(), BadgeWindow::ownProcedure());
    EXPECT_EQ(badgeWindow_.hotkeyMessages(), 1) << "Home's message went on to the window's own procedure";

    // Keypad 0 sends slot 1 to the game.
    poster_.simulateKeyPress(VK_NUMPAD0);
    const std::size_t expected = 2 + 5 + 2;
    ASSERT_TRUE(runLoopUntil([&] { return game_.log().size() >= expected; }));
    std::vector<WPARAM> chars;
    for (const auto& m : game_.log()) {
        if (m.message == WM_CHAR) {
            chars.push_back(m.wParam);
        }
    }
    EXPECT_EQ(chars, (std::vector<WPARAM>{0xCA, 0xBE, 0xC0, 0xFD, '1', '\r', '\n'}));
    EXPECT_EQ(badgeWindow_.hotkeyMessages(), 2);

    // End frees the keypad and End; Home stays.
    poster_.simulateKeyPress(VK_END);
    ASSERT_TRUE(runLoopUntil([&] { return badge_.current() == BadgeImage::HotkeysOff; }));
    EXPECT_EQ(keysFreeForOthers(kSlotAndEndKeys), all(kSlotAndEndKeys.size(), true));
    EXPECT_EQ(keysFreeForOthers({VK_HOME}), std::vector<bool>{false});
    EXPECT_EQ(badgeWindow_.hotkeyMessages(), 3) << "End's message too, after its callback";

    // The game goes; the next tick frees Home too and puts the window's procedure back.
    game_.end();
    arming_.onTimerTick();
    EXPECT_EQ(badge_.current(), BadgeImage::GameNotRunning);
    EXPECT_EQ(keysFreeForOthers({VK_HOME}), std::vector<bool>{true});
    EXPECT_EQ(installedProcedure(), BadgeWindow::ownProcedure());
}

TEST_F(HotkeysOnWindows, KeypadPressesAfterEndReachNoSlot) {
    ASSERT_TRUE(game_.start({})) << game_.error();
    arming_.onTimerTick();
    ASSERT_TRUE(runLoopUntil([&] { return badge_.current() == BadgeImage::HotkeysOn; }));
    poster_.simulateKeyPress(VK_END);
    ASSERT_TRUE(runLoopUntil([&] { return badge_.current() == BadgeImage::HotkeysOff; }));

    poster_.simulateKeyPress(VK_NUMPAD9);
    runLoopUntil([] { return false; }, 300);

    EXPECT_TRUE(slots_.textReads().empty());
    EXPECT_TRUE(game_.log().empty());

    // Home turns them on again, and keypad 9 sends slot 10.
    poster_.simulateKeyPress(VK_HOME);
    ASSERT_TRUE(runLoopUntil([&] { return badge_.current() == BadgeImage::HotkeysOn; }));
    poster_.simulateKeyPress(VK_NUMPAD9);
    ASSERT_TRUE(runLoopUntil([&] { return game_.log().size() >= 5; }));
    std::vector<WPARAM> chars;
    for (const auto& m : game_.log()) {
        chars.push_back(m.wParam);
    }
    EXPECT_EQ(chars, (std::vector<WPARAM>{'\\', '\\', 'x', '\r', '\n'}));
}

TEST_F(HotkeysOnWindows, WithoutTheGameATickTakesNothing) {
    arming_.onTimerTick();

    EXPECT_EQ(badge_.current(), BadgeImage::GameNotRunning);
    EXPECT_EQ(keysFreeForOthers({VK_HOME}), std::vector<bool>{true});
    EXPECT_EQ(installedProcedure(), BadgeWindow::ownProcedure());
}

}  // namespace
}  // namespace quelvin

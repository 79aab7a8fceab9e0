// The badge window on a real window: where it stands, what it shows, its poll timer, its
// menu and commands, and how it ends.

#include "ui/badge_window.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "settings/config_file.h"
#include "ui_test_support.h"

namespace quelvin {
namespace {

constexpr test::Argb kBackdropColour = 0xFFFF00FF;  // magenta: what transparent pixels show

const std::string kShowSettingsText = "\xC9\xE8\xD6\xC3\xD2\xAA\xCB\xB5\xB5\xC4\xBB\xB0";  // 设置要说的话
const std::string kMoveFreelyText = "\xCB\xE6\xD2\xE2\xD2\xC6\xB6\xAF";                    // 随意移动
const std::string kAlwaysOnTopText = "\xB4\xB0\xBF\xDA\xD6\xC3\xB6\xA5";                   // 窗口置顶
const std::string kExitText = "\xCD\xCB\xB3\xF6";                                          // 退出
const std::string kTrue = "\xD5\xE6";                                                      // 真
const std::string kFalse = "\xBC\xD9";                                                     // 假

// A whole configuration file with default sentences and the given last section.
std::string configWithWindowField(const std::string& windowField) {
    const std::string full = encodeConfig(defaultSettings(1024));
    return full.substr(0, full.rfind(kSectionSeparator) + kSectionSeparator.size()) + windowField;
}

// ---- The pop-up menu, seen from a thread timer while it is tracked ----

struct MenuItem {
    std::string text;  // empty for a separator
    bool checked = false;
    friend bool operator==(const MenuItem&, const MenuItem&) = default;
};

struct MenuSeen {
    RECT rect{};
    std::vector<MenuItem> items;
};

std::optional<MenuSeen> gMenuSeen;
std::vector<BYTE> gMenuKeys;  // pressed once the menu is seen; none closes it

void CALLBACK inspectMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menuWindow = FindWindowA("#32768", nullptr);
    if (!menuWindow || !IsWindowVisible(menuWindow)) return;
    KillTimer(nullptr, timer);
    MenuSeen seen;
    GetWindowRect(menuWindow, &seen.rect);
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        seen.items.push_back(
            {text, (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED) != 0});
    }
    gMenuSeen = seen;
    if (gMenuKeys.empty()) {
        EndMenu();
    } else {
        for (BYTE key : gMenuKeys) test::pressKey(key);
    }
}

// Keys that choose the n-th command (0-based, separators not counted) of a fresh menu.
std::vector<BYTE> keysChoosing(int n) {
    std::vector<BYTE> keys(static_cast<std::size_t>(n) + 1, VK_DOWN);
    keys.push_back(VK_RETURN);
    return keys;
}
const std::vector<BYTE> kChooseShowSettings = keysChoosing(0);
const std::vector<BYTE> kChooseMoveFreely = keysChoosing(1);
const std::vector<BYTE> kChooseAlwaysOnTop = keysChoosing(2);
const std::vector<BYTE> kChooseExit = {VK_UP, VK_RETURN};

void clickAt(POINT point, DWORD down, DWORD up) {
    SetCursorPos(point.x, point.y);
    test::pumpFor(30);
    mouse_event(down, 0, 0, 0, 0);
    test::pumpFor(30);
    mouse_event(up, 0, 0, 0, 0);
}

// Right-clicks the screen at `point`, records the menu that pops up and presses `keys` in
// it (none: closes it). Returns what was seen, if a menu appeared.
std::optional<MenuSeen> rightClickMenu(POINT point, std::vector<BYTE> keys = {}) {
    gMenuSeen.reset();
    gMenuKeys = std::move(keys);
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, inspectMenu);
    clickAt(point, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    test::pumpUntil([] { return gMenuSeen.has_value(); }, 3000);
    KillTimer(nullptr, timer);
    test::pumpFor(200);  // the chosen command runs
    return gMenuSeen;
}

// ---- A stand-in for the hotkey registry's subclassing ----

WNDPROC gSavedProcedure = nullptr;
std::vector<std::pair<UINT, WPARAM>> gSeenByHook;
bool gSwallowCaptionGrab = true;

LRESULT CALLBACK hookProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    gSeenByHook.emplace_back(message, wParam);
    // A caption grab would start a modal move; most tests only want to see it asked for.
    if (message == WM_NCLBUTTONDOWN && gSwallowCaptionGrab) return 0;
    return CallWindowProcA(gSavedProcedure, window, message, wParam, lParam);
}

class BadgeWindowTest : public ::testing::Test {
protected:
    BadgeWindowTest() : backdrop_(RECT{0, 0, 1024, 768}, kBackdropColour) {
        pictures_[BadgeImage::GameNotRunning] = test::solidPicture(test::kRed);
        pictures_[BadgeImage::HotkeysOn] = test::solidPicture(test::kGreen);
        pictures_[BadgeImage::HotkeysOff] = test::solidPicture(test::kBlue);
    }
    ~BadgeWindowTest() override { test::setMessageFilter(nullptr); }

    void create() {
        ASSERT_TRUE(badge_.create());
        test::setMessageFilter([this](MSG* message) { return settings_.translateDialogMessage(message); });
    }

    // Creates the badge and waits for its first activation to create the settings window.
    void createAndSettle() {
        create();
        ASSERT_TRUE(test::pumpUntil([this] { return settings_.handle() != nullptr; }));
        test::pumpFor(100);
    }

    RECT rect() { return test::windowRect(badge_.handle()); }
    POINT at(int x, int y) {
        const RECT r = rect();
        return POINT{r.left + x, r.top + y};
    }

    void installHook() {
        gSeenByHook.clear();
        gSwallowCaptionGrab = true;
        gSavedProcedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(badge_.handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hookProcedure)));
    }
    bool hookSaw(UINT message, WPARAM wParam) {
        for (const auto& [seenMessage, seenWParam] : gSeenByHook) {
            if (seenMessage == message && seenWParam == wParam) return true;
        }
        return false;
    }

    test::Backdrop backdrop_;
    test::TempDirectory directory_;
    std::string path_ = directory_.file("Quelvin.cfg");
    ConfigStore store_{path_};
    int faults_ = 0;
    int ticks_ = 0;
    int destroyed_ = 0;
    std::function<void()> onTick_;
    std::map<BadgeImage, std::vector<unsigned char>> pictures_;
    BadgeRenderer skin_{test::frameDimension()};
    SettingsWindow settings_{store_, [this] { ++faults_; }};
    BadgeWindow badge_{skin_,
                       store_,
                       settings_,
                       [this](BadgeImage image) { return std::span<const unsigned char>(pictures_[image]); },
                       [this] { ++faults_; },
                       BadgeWindowHooks{[this] {
                                            ++ticks_;
                                            if (onTick_) onTick_();
                                        },
                                        [this] { ++destroyed_; }}};
};

TEST_F(BadgeWindowTest, AFirstRunPutsTheBadgeTopRightOnTopAndOpensTheSettings) {
    createAndSettle();
    HWND badge = badge_.handle();
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const RECT r = rect();
    EXPECT_EQ(r.left, screenWidth - 210);
    EXPECT_EQ(r.top, 43);
    EXPECT_EQ(r.right - r.left, 123);
    EXPECT_EQ(r.bottom - r.top, 40);
    EXPECT_EQ(badge_.badgeWindowState(), (WindowState{screenWidth - 210, 43, false, true}));

    EXPECT_EQ(test::className(badge), "QuelvinBadge");
    EXPECT_EQ(test::windowText(badge), "");
    EXPECT_TRUE(IsWindowVisible(badge));
    EXPECT_TRUE(test::isTopmost(badge));
    EXPECT_EQ(GetWindowLongA(badge, GWL_EXSTYLE) & ~WS_EX_TOPMOST, WS_EX_LAYERED);
    EXPECT_FALSE(GetWindowLongA(badge, GWL_STYLE) & (WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_SYSMENU));
    // No taskbar button: owned by a window that is never shown.
    HWND owner = GetWindow(badge, GW_OWNER);
    ASSERT_NE(owner, nullptr);
    EXPECT_FALSE(IsWindowVisible(owner));

    EXPECT_EQ(test::screenPixel(r.left + 60, r.top + 20), test::rgbOf(test::kRed));
    EXPECT_EQ(test::screenPixel(r.left, r.top), test::rgbOf(kBackdropColour));  // transparent corner

    EXPECT_TRUE(IsWindowVisible(settings_.handle()));
    EXPECT_EQ(GetWindow(settings_.handle(), GW_OWNER), badge);
    EXPECT_EQ(settings_.rowText(2), defaultSettings(screenWidth).slots[1].text);
    EXPECT_EQ(faults_, 0);
}

TEST_F(BadgeWindowTest, ASavedStatePlacesTheBadgeAndSetsItsFlags) {
    const struct {
        const char* name;
        std::string field;
        WindowState state;
    } kCases[] = {
        {"draggable, not on top", "300|20|" + kTrue + "|" + kFalse, {300, 20, true, false}},
        {"any text but false is on", "100|200|x|" + kFalse, {100, 200, true, false}},
        {"negative left, on top", "-5|7|" + kFalse + "|" + kTrue, {-5, 7, false, true}},
        {"left wraps at 32 bits, extra field",
         "4294967396|43|" + kFalse + "|" + kFalse + "|extra",
         {100, 43, false, false}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        test::writeFile(path_, configWithWindowField(c.field));
        BadgeRenderer skin(test::frameDimension());
        SettingsWindow settings(store_, [this] { ++faults_; });
        BadgeWindow badge(
            skin, store_, settings,
            [this](BadgeImage image) { return std::span<const unsigned char>(pictures_[image]); },
            [this] { ++faults_; }, {});
        ASSERT_TRUE(badge.create());
        const RECT r = test::windowRect(badge.handle());
        EXPECT_EQ(r.left, c.state.left);
        EXPECT_EQ(r.top, c.state.top);
        EXPECT_EQ(r.right - r.left, 123);
        EXPECT_EQ(badge.badgeWindowState(), c.state);
        // A later run starts with the badge alone: the settings window is made, but hidden.
        ASSERT_TRUE(test::pumpUntil([&] { return settings.handle() != nullptr; }));
        EXPECT_FALSE(IsWindowVisible(settings.handle()));
        EXPECT_EQ(faults_, 0);
    }
}

TEST_F(BadgeWindowTest, TheMenuShowsTheFlagsAsCheckMarks) {
    const struct {
        const char* name;
        std::string field;
        bool moveFreely, alwaysOnTop;
    } kCases[] = {
        {"move freely on, on top off", "300|20|" + kTrue + "|" + kFalse, true, false},
        {"move freely off, on top on", "300|20|" + kFalse + "|" + kTrue, false, true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        test::writeFile(path_, configWithWindowField(c.field));
        BadgeRenderer skin(test::frameDimension());
        SettingsWindow settings(store_, [this] { ++faults_; });
        BadgeWindow badge(
            skin, store_, settings,
            [this](BadgeImage image) { return std::span<const unsigned char>(pictures_[image]); },
            [this] { ++faults_; }, {});
        ASSERT_TRUE(badge.create());
        test::pumpFor(100);
        const std::optional<MenuSeen> menu = rightClickMenu(POINT{360, 40});
        ASSERT_TRUE(menu);
        const std::vector<MenuItem> expected = {
            {kShowSettingsText, false},        {"", false}, {kMoveFreelyText, c.moveFreely},
            {kAlwaysOnTopText, c.alwaysOnTop}, {"", false}, {kExitText, false},
        };
        EXPECT_EQ(menu->items, expected);
    }
}

TEST_F(BadgeWindowTest, TheMenuOpensBelowTheBadgeWhereverItIsClicked) {
    test::writeFile(path_, configWithWindowField("100|100|" + kFalse + "|" + kTrue));
    createAndSettle();
    for (POINT inside : {POINT{5, 5}, POINT{60, 20}, POINT{117, 34}}) {
        SCOPED_TRACE(std::to_string(inside.x) + "," + std::to_string(inside.y));
        const std::optional<MenuSeen> menu = rightClickMenu(at(inside.x, inside.y));
        ASSERT_TRUE(menu);
        EXPECT_EQ(menu->rect.left, 138);
        EXPECT_EQ(menu->rect.top, 140);
    }
}

}  // namespace
}  // namespace quelvin

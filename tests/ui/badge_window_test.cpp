// The badge window on a real window: where it stands, what it shows, its poll timer, its
// menu and commands, and how it ends.

#include "ui/badge_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <optional>
#include <string>
#include <thread>
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

TEST_F(BadgeWindowTest, CreationRestoresAndShowsBeforeTheFirstTickAndThenStartsTheTimer) {
    test::writeFile(path_, configWithWindowField("250|300|" + kFalse + "|" + kTrue));
    struct AtFirstTick {
        RECT rect;
        LONG exStyle;
        bool hasPicture;
    };
    std::optional<AtFirstTick> atFirstTick;
    onTick_ = [&] {
        if (atFirstTick) return;
        HWND badge = badge_.handle();
        atFirstTick = AtFirstTick{test::windowRect(badge), GetWindowLongA(badge, GWL_EXSTYLE),
                                  GetPropA(badge, kBackImageProperty) != nullptr};
    };
    create();
    // The first tick ran inside creation, on a skinned window already in place.
    EXPECT_EQ(ticks_, 1);
    ASSERT_TRUE(atFirstTick);
    EXPECT_EQ(atFirstTick->rect.left, 250);
    EXPECT_EQ(atFirstTick->rect.top, 300);
    EXPECT_EQ(atFirstTick->exStyle & ~WS_EX_TOPMOST, WS_EX_LAYERED);
    EXPECT_TRUE(atFirstTick->hasPicture);
    // Then every 500 ms.
    test::pumpFor(1300);
    EXPECT_GE(ticks_, 3);
    EXPECT_LE(ticks_, 4);
}

TEST_F(BadgeWindowTest, AMalformedWindowStateIsAConfigFaultBeforeTheFirstTick) {
    const struct {
        const char* name;
        std::string text;
    } kCases[] = {
        {"no separators", "hello"},
        {"empty file", ""},
        {"three fields", configWithWindowField("1|2|" + kTrue)},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        test::writeFile(path_, c.text);
        int ticksAtFault = -1;
        int ticks = 0;
        BadgeRenderer skin(test::frameDimension());
        SettingsWindow settings(store_, [] {});
        BadgeWindow badge(
            skin, store_, settings,
            [this](BadgeImage image) { return std::span<const unsigned char>(pictures_[image]); },
            [&] { ticksAtFault = ticks; }, BadgeWindowHooks{[&] { ++ticks; }, {}});
        ASSERT_TRUE(badge.create());
        EXPECT_EQ(ticksAtFault, 0);
        EXPECT_EQ(test::readFile(path_), c.text);
    }
}

TEST_F(BadgeWindowTest, TooManySentencesAreAConfigFaultAtTheFirstActivation) {
    std::string text = configWithWindowField("300|20|" + kFalse + "|" + kTrue);
    std::string eleven;
    for (int i = 0; i < 11; ++i) eleven += (i ? kSentenceSeparator : "") + "s";
    text = eleven + text.substr(text.find(kSectionSeparator));
    test::writeFile(path_, text);
    // The badge's own decoding succeeds and its creation runs to the end; the settings
    // window's decoding fails once the shown badge is activated.
    std::optional<int> ticksAtFault;
    std::optional<LONG> leftAtFault;
    SettingsWindow settings(store_, [&] {
        ticksAtFault = ticks_;
        leftAtFault = test::windowRect(FindWindowA("QuelvinBadge", nullptr)).left;
    });
    BadgeWindow badge(
        skin_, store_, settings,
        [this](BadgeImage image) { return std::span<const unsigned char>(pictures_[image]); },
        [this] { ++faults_; }, BadgeWindowHooks{[this] { ++ticks_; }, {}});
    ASSERT_TRUE(badge.create());
    ASSERT_TRUE(test::pumpUntil([&] { return ticksAtFault.has_value(); }));
    EXPECT_EQ(faults_, 0);
    EXPECT_EQ(*ticksAtFault, 1);
    EXPECT_EQ(leftAtFault, 300);
}

TEST_F(BadgeWindowTest, ShowBadgePutsTheStatesPictureOnScreen) {
    test::writeFile(path_, configWithWindowField("200|150|" + kFalse + "|" + kTrue));
    createAndSettle();
    const struct {
        const char* name;
        BadgeImage image;
        test::Argb colour;
    } kCases[] = {
        {"hotkeys on", BadgeImage::HotkeysOn, test::kGreen},
        {"hotkeys off", BadgeImage::HotkeysOff, test::kBlue},
        {"game not running", BadgeImage::GameNotRunning, test::kRed},
        {"hotkeys on again", BadgeImage::HotkeysOn, test::kGreen},
    };
    const long imagesBefore = liveResources(ResourceKind::Image);
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        badge_.showBadge(c.image);
        test::pumpFor(150);
        EXPECT_EQ(test::screenPixel(200 + 60, 150 + 20), test::rgbOf(c.colour));
        EXPECT_EQ(test::screenPixel(200 + 122, 150 + 39), test::rgbOf(kBackdropColour));
        EXPECT_EQ(liveResources(ResourceKind::Image), imagesBefore);
    }
}

TEST_F(BadgeWindowTest, ChoosingAFlagTwiceRestoresFlagAndCheckMark) {
    test::writeFile(path_, configWithWindowField("300|20|" + kFalse + "|" + kTrue));
    createAndSettle();
    const POINT inside = at(60, 20);
    const struct {
        const char* name;
        std::vector<BYTE> keys;
        std::size_t item;
        bool WindowState::*flag;
    } kCases[] = {
        {"always on top", kChooseAlwaysOnTop, 3, &WindowState::alwaysOnTop},
        {"move freely", kChooseMoveFreely, 2, &WindowState::moveFreely},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        const bool initially = badge_.badgeWindowState().*c.flag;
        for (bool expected : {!initially, initially}) {
            ASSERT_TRUE(rightClickMenu(inside, c.keys));
            EXPECT_EQ(badge_.badgeWindowState().*c.flag, expected);
            const std::optional<MenuSeen> menu = rightClickMenu(inside);
            ASSERT_TRUE(menu);
            ASSERT_EQ(menu->items.size(), 6u);
            EXPECT_EQ(menu->items[c.item].checked, expected);
        }
    }
    // Back where it started. (The z-order itself is checked below, where Wine shows it.)
    EXPECT_EQ(badge_.badgeWindowState(), (WindowState{300, 20, false, true}));
}

TEST_F(BadgeWindowTest, AlwaysOnTopOffTakesTheBadgeOutOfTheTopmostBand) {
    // Wine keeps a window topmost when it sits right above its owner; another topmost
    // window on screen first makes the z-order observable.
    test::PlainWindow other(RECT{600, 600, 700, 700}, WS_EX_TOPMOST);
    test::writeFile(path_, configWithWindowField("300|20|" + kFalse + "|" + kTrue));
    createAndSettle();
    ASSERT_TRUE(test::isTopmost(badge_.handle()));
    ASSERT_TRUE(rightClickMenu(at(60, 20), kChooseAlwaysOnTop));
    EXPECT_FALSE(badge_.badgeWindowState().alwaysOnTop);
    EXPECT_FALSE(test::isTopmost(badge_.handle()));
    ASSERT_TRUE(rightClickMenu(at(60, 20), kChooseAlwaysOnTop));
    EXPECT_TRUE(badge_.badgeWindowState().alwaysOnTop);
    EXPECT_TRUE(test::isTopmost(badge_.handle()));
}

TEST_F(BadgeWindowTest, MoveFreelyMakesAPressGrabTheBadgeLikeACaption) {
    const struct {
        const char* name;
        std::string moveFreely;
        bool grabs;
    } kCases[] = {
        {"move freely on", kTrue, true},
        {"move freely off", kFalse, false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        test::writeFile(path_, configWithWindowField("300|20|" + c.moveFreely + "|" + kTrue));
        BadgeRenderer skin(test::frameDimension());
        SettingsWindow settings(store_, [] {});
        BadgeWindow badge(
            skin, store_, settings,
            [this](BadgeImage image) { return std::span<const unsigned char>(pictures_[image]); }, [] {}, {});
        ASSERT_TRUE(badge.create());
        test::pumpFor(100);
        // Installed over the window's own procedure, as the hotkey registry does.
        gSeenByHook.clear();
        gSwallowCaptionGrab = true;
        gSavedProcedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(badge.handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hookProcedure)));
        clickAt(POINT{300 + 80, 20 + 25}, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
        test::pumpFor(200);
        EXPECT_TRUE(hookSaw(WM_LBUTTONDOWN, MK_LBUTTON));
        EXPECT_EQ(hookSaw(WM_NCLBUTTONDOWN, HTCAPTION), c.grabs);
        EXPECT_EQ(test::windowRect(badge.handle()).left, 300);
        SetWindowLongPtrA(badge.handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gSavedProcedure));
    }
}

TEST_F(BadgeWindowTest, TheWindowWorksThroughAReplacingProcedure) {
    test::writeFile(path_, configWithWindowField("300|20|" + kFalse + "|" + kTrue));
    createAndSettle();
    installHook();
    const int ticksBefore = ticks_;
    test::pumpFor(1100);
    EXPECT_GE(ticks_, ticksBefore + 2);
    EXPECT_TRUE(hookSaw(WM_TIMER, BadgeWindow::kPollTimerId));
    ASSERT_TRUE(rightClickMenu(at(60, 20), kChooseMoveFreely));
    EXPECT_TRUE(badge_.badgeWindowState().moveFreely);
    SetWindowLongPtrA(badge_.handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gSavedProcedure));
}

TEST_F(BadgeWindowTest, ShowSettingsMakesTheHiddenSettingsWindowVisible) {
    test::writeFile(path_, configWithWindowField("300|20|" + kFalse + "|" + kTrue));
    createAndSettle();
    ASSERT_FALSE(IsWindowVisible(settings_.handle()));
    ASSERT_TRUE(rightClickMenu(at(60, 20), kChooseShowSettings));
    EXPECT_TRUE(IsWindowVisible(settings_.handle()));
}

TEST_F(BadgeWindowTest, ExitSavesWhereTheBadgeStandsAndDestroysBothWindows) {
    test::writeFile(path_, configWithWindowField("300|20|" + kFalse + "|" + kTrue));
    createAndSettle();
    HWND badge = badge_.handle();
    HWND settings = settings_.handle();
    SetWindowTextA(settings_.textBox(7), "typed before exit");
    // Moved (as a drag would) and flags changed since the file was read.
    SetWindowPos(badge, nullptr, 410, 333, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(rightClickMenu(at(60, 20), kChooseMoveFreely));
    ASSERT_TRUE(rightClickMenu(at(60, 20), kChooseExit));

    EXPECT_FALSE(IsWindow(badge));
    EXPECT_FALSE(IsWindow(settings));
    EXPECT_EQ(badge_.handle(), nullptr);
    EXPECT_EQ(destroyed_, 1);
    const Text saved = test::readFile(path_);
    EXPECT_EQ(decodeWindowState(saved), (WindowState{410, 333, true, true}));
    const std::optional<DecodedSlots> slots = decodeSlots(saved);
    ASSERT_TRUE(slots);
    ASSERT_GE(slots->sentences.size(), 7u);
    EXPECT_EQ(slots->sentences[6], "typed before exit");
    // The poll timer died with the window.
    const int ticks = ticks_;
    test::pumpFor(700);
    EXPECT_EQ(ticks_, ticks);
}

TEST_F(BadgeWindowTest, ThePictureIsReleasedWithTheWindow) {
    const long images = liveResources(ResourceKind::Image);
    const long streams = liveResources(ResourceKind::Stream);
    const long blocks = liveResources(ResourceKind::MemoryBlock);
    {
        BadgeRenderer skin(test::frameDimension());
        SettingsWindow settings(store_, [] {});
        BadgeWindow badge(
            skin, store_, settings,
            [this](BadgeImage image) { return std::span<const unsigned char>(pictures_[image]); }, [] {}, {});
        ASSERT_TRUE(badge.create());
        for (int i = 0; i < 10; ++i) badge.showBadge(i % 2 ? BadgeImage::HotkeysOn : BadgeImage::HotkeysOff);
        EXPECT_EQ(liveResources(ResourceKind::Image), images + 1);
    }
    EXPECT_EQ(liveResources(ResourceKind::Image), images);
    EXPECT_EQ(liveResources(ResourceKind::Stream), streams);
    EXPECT_EQ(liveResources(ResourceKind::MemoryBlock), blocks);
}

TEST_F(BadgeWindowTest, WithMoveFreelyTheBadgeFollowsADrag) {
    const struct {
        const char* name;
        std::string moveFreely;
        POINT end;
    } kCases[] = {
        {"move freely on", kTrue, {350, 250}},
        {"move freely off", kFalse, {300, 200}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        test::writeFile(path_, configWithWindowField("300|200|" + c.moveFreely + "|" + kTrue));
        BadgeRenderer skin(test::frameDimension());
        SettingsWindow settings(store_, [] {});
        BadgeWindow badge(
            skin, store_, settings,
            [this](BadgeImage image) { return std::span<const unsigned char>(pictures_[image]); }, [] {}, {});
        ASSERT_TRUE(badge.create());
        test::pumpFor(100);
        // A caption drag runs a modal loop inside this thread until the button is
        // released, so the hand on the mouse is another thread.
        std::atomic<bool> released = false;
        std::thread hand([&released] {
            SetCursorPos(300 + 60, 200 + 20);
            Sleep(100);
            mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
            Sleep(150);
            for (int step = 1; step <= 10; ++step) {
                SetCursorPos(300 + 60 + 5 * step, 200 + 20 + 5 * step);
                Sleep(40);
            }
            mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
            released = true;
        });
        test::pumpUntil([&released] { return released.load(); }, 5000);
        hand.join();
        test::pumpFor(200);
        const RECT r = test::windowRect(badge.handle());
        EXPECT_EQ(r.left, c.end.x);
        EXPECT_EQ(r.top, c.end.y);
    }
}

}  // namespace
}  // namespace quelvin

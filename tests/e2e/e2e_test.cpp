// The whole program, Quelvin.exe, driven from outside as the player drives it: keys pressed
// system-wide, the badge's menu opened with the mouse, the settings window typed into, and
// everything checked through what another program can see: windows, the screen, the
// configuration file, the exit status, and what the test game (Meteor.exe) receives.
//
// Each case runs in a fresh folder of its own with a copy of the program, and ends both the
// program and the game however it ends.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "badge_faces.h"
#include "case_folder.h"
#include "desktop.h"
#include "quelvin_process.h"
#include "settings/config_file.h"
#include "settings/fatal_report.h"
#include "test_game_process.h"

namespace quelvin::e2e {

// One message as the game took it from its queue; what the delivery cases compare.
struct Posted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam = 0;
    friend bool operator==(const Posted&, const Posted&) = default;
};

void PrintTo(const Posted& posted, std::ostream* out) {
    const char* kind = posted.message == WM_KEYDOWN ? "KEYDOWN"
                       : posted.message == WM_KEYUP ? "KEYUP"
                       : posted.message == WM_CHAR  ? "CHAR"
                                                    : "?";
    char text[64];
    std::snprintf(text, sizeof(text), "%s 0x%02lX lParam=%ld", kind,
                  static_cast<unsigned long>(posted.wParam), static_cast<long>(posted.lParam));
    *out << text;
}

namespace {

using Posts = std::vector<Posted>;

constexpr BYTE kKeypad0 = VK_NUMPAD0;
constexpr BYTE kChatKeyP = 0x50;
constexpr BYTE kChatKeyO = 0x4F;

// Every key the program may hold as a hotkey.
constexpr std::array<UINT, 12> kOurKeys = {VK_HOME,    VK_END,     VK_NUMPAD0, VK_NUMPAD1,
                                           VK_NUMPAD2, VK_NUMPAD3, VK_NUMPAD4, VK_NUMPAD5,
                                           VK_NUMPAD6, VK_NUMPAD7, VK_NUMPAD8, VK_NUMPAD9};

// The example sentences of a first run, written out here on their own so that the cases do
// not take them from the code they check.
const Text kExample1 =
    "\xCA\xBE\xC0\xFD"
    "1";  // 示例1
const Text kExample2 =
    "\xCA\xBE\xC0\xFD"
    "2";  // 示例2
const Text kExample3 =
    "\xCA\xBE\xC0\xFD"
    "3";  // 示例3
const Text kExample4 =
    "\xCA\xBE\xC0\xFD"
    "4";  // 示例4
const Text kExample5Lines[] = {"weapon 5", "weapon 6", "moveto 0 0 0", "pose 58"};

const Text kTrue = "\xD5\xE6";   // 真
const Text kFalse = "\xBC\xD9";  // 假

// "设置Quelvin(关闭自动保存)"
const Text kSettingsTitle =
    "\xC9\xE8\xD6\xC3"  // 设置
    "Quelvin("
    "\xB9\xD8\xB1\xD5"  // 关闭
    "\xD7\xD4\xB6\xAF"  // 自动
    "\xB1\xA3\xB4\xE6"  // 保存
    ")";

// The settings window's ten rows as the player sees them.
struct Row {
    Text text;
    int keySelection;
    friend bool operator==(const Row&, const Row&) = default;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << "{\"" << printable(row.text) << "\", " << row.keySelection << "}";
}

const std::vector<Row> kFirstRunRows = {
    {kExample1, 0},
    {kExample2 + ";" + kExample2, 0},
    {kExample3 + ";" + kExample3 + ";" + kExample3, 1},
    {kExample4 + ";" + kExample4 + ";" + kExample4 + ";" + kExample4, 1},
    {"weapon 5;weapon 6;moveto 0 0 0;pose 58", 2},
    {"", 0},
    {"", 0},
    {"", 0},
    {"", 0},
    {"", 0},
};

Posts chars(const Text& text) {
    Posts out;
    for (const char b : text) out.push_back({WM_CHAR, static_cast<unsigned char>(b)});
    return out;
}

Posts operator+(Posts a, const Posts& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// One line of a chat sentence: the chat key pressed, then the line and its end as
// characters.
Posts chatLine(BYTE chatKey, const Text& line) {
    return Posts{{WM_KEYDOWN, chatKey}, {WM_KEYUP, chatKey}} + chars(line + "\r\n");
}

// One line of a command: a backslash, the line and its end, as characters only.
Posts commandLine(const Text& line) { return chars("\\" + line + "\r\n"); }

Posts postsOf(const std::vector<LoggedMessage>& log, std::size_t from) {
    Posts out;
    for (std::size_t i = from; i < log.size(); ++i)
        out.push_back({log[i].message, log[i].wParam, log[i].lParam});
    return out;
}

// A whole configuration file with the first-run settings, its last section replaced.
Text defaultConfigWithWindowSection(int screenWidth, const Text& windowSection) {
    const Text full = encodeConfig(defaultSettings(screenWidth));
    return full.substr(0, full.rfind(kSectionSeparator) + kSectionSeparator.size()) + windowSection;
}

std::string testName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

std::string keyName(UINT vk) {
    if (vk == VK_HOME) return "Home";
    if (vk == VK_END) return "End";
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return "keypad " + std::to_string(vk - VK_NUMPAD0);
    return std::to_string(vk);
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 936u) << "the tests need Wine's ANSI code page to be GBK";
        screenWidth_ = GetSystemMetrics(SM_CXSCREEN);
        screenHeight_ = GetSystemMetrics(SM_CYSCREEN);
        folder_.emplace(testName());
        ASSERT_TRUE(folder_->ready()) << folder_->error();
        ASSERT_TRUE(faces().ready()) << faces().error();
        // The game is started from the case's folder too.
        _putenv(("QUELVIN_TEST_GAME=" + folder_->gamePath()).c_str());
    }

    static const BadgeFaces& faces() {
        static const BadgeFaces decoded;
        return decoded;
    }

    void writeConfig(const Text& bytes) { ASSERT_TRUE(folder_->writeConfig(bytes)) << folder_->configPath(); }

    void writeDefaultConfig() { writeConfig(encodeConfig(defaultSettings(screenWidth_))); }

    // Starts the program and waits for its badge.
    void startQuelvin() {
        ASSERT_TRUE(quelvin_.start(folder_->exePath())) << quelvin_.error();
        badge_ = quelvin_.waitForBadge();
        ASSERT_NE(badge_, nullptr) << quelvin_.error();
    }

    // Starts the game once the program is up (two Wine programs starting at the same
    // instant can hang).
    void startGame() { ASSERT_TRUE(game_.start({.popup = true, .show = false})) << game_.error(); }

    std::optional<BadgeImage> face() const { return faces().recognizeOnScreen(badge_); }

    void waitForFace(BadgeImage wanted, DWORD timeoutMs = 5000) {
        std::optional<BadgeImage> seen;
        const bool shown = waitUntil(
            [&] {
                seen = face();
                return seen == wanted;
            },
            timeoutMs);
        ASSERT_TRUE(shown) << "the badge should show " << BadgeFaces::nameOf(wanted) << " within "
                           << timeoutMs << " ms, but shows " << BadgeFaces::nameOf(seen)
                           << "; the program's windows:\n"
                           << quelvin_.describeWindows();
    }

    // The program with the first-run settings stored (so the settings window stays hidden and
    // cannot take keypad digits as typing), the game running and the hotkeys on.
    void startArmed() {
        ASSERT_NO_FATAL_FAILURE(writeDefaultConfig());
        ASSERT_NO_FATAL_FAILURE(startQuelvin());
        ASSERT_NO_FATAL_FAILURE(waitForFace(BadgeImage::GameNotRunning));
        ASSERT_NO_FATAL_FAILURE(startGame());
        ASSERT_NO_FATAL_FAILURE(waitForFace(BadgeImage::HotkeysOn));
    }

    // Presses the key and checks that the game receives exactly `expected` next. Every
    // message the game has taken is accounted for in order, so anything sent by an earlier
    // press that should have sent nothing shows up here.
    void expectDelivery(BYTE vk, const Posts& expected, const char* what) {
        SCOPED_TRACE(what);
        pressKey(vk);
        const std::vector<LoggedMessage> log = game_.waitForLog(consumed_ + expected.size(), 5000);
        const Posts got = postsOf(log, consumed_);
        EXPECT_EQ(got, expected) << "after pressing " << keyName(vk) << ", the game received " << got.size()
                                 << " messages, " << expected.size() << " expected";
        consumed_ = log.size();
    }

    // Checks that the game has received nothing beyond what the cases accounted for.
    void expectNothingMoreDelivered() {
        const Posts extra = postsOf(game_.log(), consumed_);
        EXPECT_TRUE(extra.empty()) << "the game received " << ::testing::PrintToString(extra);
    }

    // A point on the divider column, which is opaque white in every picture: a click there
    // reaches the badge (its transparent pixels let clicks through).
    POINT badgeGrip() const {
        const RECT rect = windowRectOf(badge_);
        return {rect.left + 36, rect.top + 20};
    }

    // Opens the badge's menu with a right-click and chooses its last item ("退出") with the
    // keyboard; then waits for the program to end and returns its exit status.
    std::optional<DWORD> exitThroughMenu() {
        clickAt(badgeGrip(), true);
        HWND menu = quelvin_.waitForWindow(
            [](HWND window) { return IsWindowVisible(window) && classNameOf(window) == "#32768"; }, 5000);
        if (menu == nullptr) {
            ADD_FAILURE() << "no menu came up after a right-click on the badge at " << badgeGrip().x << ","
                          << badgeGrip().y << "; the program's windows:\n"
                          << quelvin_.describeWindows();
            return std::nullopt;
        }
        // With nothing selected, Up selects the last item.
        pressKey(VK_UP);
        pressKey(VK_RETURN);
        const std::optional<DWORD> status = quelvin_.waitForExit(15000);
        if (!status) {
            ADD_FAILURE() << "the program did not end after choosing the menu's last item; its windows:\n"
                          << quelvin_.describeWindows();
        }
        return status;
    }

    // The settings window's rows, found by their positions (top to bottom).
    std::vector<Row> rowsOf(HWND settings) const {
        std::vector<HWND> keyBoxes;
        std::vector<HWND> textBoxes;
        for (HWND child : childWindowsOf(settings)) {
            const std::string kind = classNameOf(child);
            if (kind == "ComboBox") keyBoxes.push_back(child);
            if (kind == "Edit") textBoxes.push_back(child);
        }
        const auto byTop = [](HWND a, HWND b) { return windowRectOf(a).top < windowRectOf(b).top; };
        std::sort(keyBoxes.begin(), keyBoxes.end(), byTop);
        std::sort(textBoxes.begin(), textBoxes.end(), byTop);
        std::vector<Row> rows;
        for (std::size_t i = 0; i < std::min(keyBoxes.size(), textBoxes.size()); ++i) {
            DWORD_PTR selection = 0;
            SendMessageTimeoutA(keyBoxes[i], CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &selection);
            rows.push_back({windowTextOf(textBoxes[i]), static_cast<int>(static_cast<LRESULT>(selection))});
        }
        return rows;
    }

    // Row k's (1..10) text box, found by its place in the window.
    HWND textBoxOfRow(HWND settings, int k) const {
        for (HWND child : childWindowsOf(settings)) {
            if (classNameOf(child) == "Edit" && clientRectInParent(child).top == 10 + 32 * (k - 1))
                return child;
        }
        return nullptr;
    }

    HWND focusedWindowOfQuelvin() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        return GetGUIThreadInfo(quelvin_.threadId(), &info) ? info.hwndFocus : nullptr;
    }

    int screenWidth_ = 0;
    int screenHeight_ = 0;
    std::optional<CaseFolder> folder_;
    QuelvinProcess quelvin_;
    TestGameProcess game_;
    HWND badge_ = nullptr;
    std::size_t consumed_ = 0;  // game log entries already compared
};

TEST_F(EndToEnd, FirstRunPlacesTheBadgeAndOpensTheSettingsWithTheExamples) {
    ASSERT_FALSE(folder_->configExists());
    ASSERT_NO_FATAL_FAILURE(startQuelvin());

    const RECT badge = windowRectOf(badge_);
    EXPECT_EQ(badge.left, screenWidth_ - 210) << describeWindow(badge_);
    EXPECT_EQ(badge.top, 43) << describeWindow(badge_);
    EXPECT_EQ(badge.right - badge.left, 123) << describeWindow(badge_);
    EXPECT_EQ(badge.bottom - badge.top, 40) << describeWindow(badge_);
    const LONG exStyle = GetWindowLongA(badge_, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST) << describeWindow(badge_);
    EXPECT_TRUE(exStyle & WS_EX_LAYERED) << describeWindow(badge_);
    ASSERT_NO_FATAL_FAILURE(waitForFace(BadgeImage::GameNotRunning));

    HWND settings = quelvin_.waitForWindow(
        [](HWND window) {
            return IsWindowVisible(window) && classNameOf(window) == QuelvinProcess::kSettingsClass;
        },
        10000);
    ASSERT_NE(settings, nullptr) << "a first run shows the settings window; the program's windows:\n"
                                 << quelvin_.describeWindows();
    const RECT placed = windowRectOf(settings);
    EXPECT_EQ(placed.left, (screenWidth_ - 255) / 2) << describeWindow(settings);
    EXPECT_EQ(placed.top, (screenHeight_ - 369) / 2) << describeWindow(settings);
    EXPECT_EQ(placed.right - placed.left, 255) << describeWindow(settings);
    EXPECT_EQ(placed.bottom - placed.top, 369) << describeWindow(settings);
    EXPECT_EQ(windowTextOf(settings), kSettingsTitle);
    EXPECT_EQ(rowsOf(settings), kFirstRunRows);

    // Nothing is saved before the player closes the settings or exits.
    EXPECT_FALSE(folder_->configExists());
}

TEST_F(EndToEnd, SlotKeysDeliverTheExampleSentencesToTheGame) {
    ASSERT_NO_FATAL_FAILURE(startArmed());

    expectDelivery(VK_NUMPAD0, chatLine(kChatKeyP, kExample1), "slot 1: chat via P");
    expectDelivery(VK_NUMPAD1, chatLine(kChatKeyP, kExample2) + chatLine(kChatKeyP, kExample2),
                   "slot 2: two lines via P");
    expectDelivery(
        VK_NUMPAD2,
        chatLine(kChatKeyO, kExample3) + chatLine(kChatKeyO, kExample3) + chatLine(kChatKeyO, kExample3),
        "slot 3: three lines via O");
    expectDelivery(VK_NUMPAD3,
                   chatLine(kChatKeyO, kExample4) + chatLine(kChatKeyO, kExample4) +
                       chatLine(kChatKeyO, kExample4) + chatLine(kChatKeyO, kExample4),
                   "slot 4: four lines via O");
    expectDelivery(VK_NUMPAD4,
                   commandLine(kExample5Lines[0]) + commandLine(kExample5Lines[1]) +
                       commandLine(kExample5Lines[2]) + commandLine(kExample5Lines[3]),
                   "slot 5: four commands after a backslash");

    // Slot 6 is empty: its key sends nothing, and the next key works as before.
    pressKey(VK_NUMPAD5);
    expectDelivery(VK_NUMPAD0, chatLine(kChatKeyP, kExample1), "slot 1 after the empty slot 6");
    expectNothingMoreDelivered();
}

TEST_F(EndToEnd, EndTurnsTheSlotKeysOffAndHomeTurnsThemOnAgain) {
    ASSERT_NO_FATAL_FAILURE(startArmed());
    expectDelivery(kKeypad0, chatLine(kChatKeyP, kExample1), "while on");

    pressKey(VK_END);
    ASSERT_NO_FATAL_FAILURE(waitForFace(BadgeImage::HotkeysOff));
    // Keypad 0 is an ordinary key now; the game hears nothing of it.
    pressKey(kKeypad0);

    pressKey(VK_HOME);
    ASSERT_NO_FATAL_FAILURE(waitForFace(BadgeImage::HotkeysOn));
    expectDelivery(kKeypad0, chatLine(kChatKeyP, kExample1), "on again after Home");
    expectNothingMoreDelivered();
}

TEST_F(EndToEnd, APressDuringAChatSendIsDroppedNotQueued) {
    ASSERT_NO_FATAL_FAILURE(startArmed());

    // Slot 4 waits 9 ms before each of its four lines; keypad 0, pressed right after it,
    // arrives inside the first of those waits.
    pressKey(VK_NUMPAD3);
    expectDelivery(kKeypad0,
                   chatLine(kChatKeyO, kExample4) + chatLine(kChatKeyO, kExample4) +
                       chatLine(kChatKeyO, kExample4) + chatLine(kChatKeyO, kExample4),
                   "slot 4 alone: slot 1 was pressed during its send");

    // Once the send is over, the keys work again, and the dropped press does not come back.
    expectDelivery(VK_NUMPAD1, chatLine(kChatKeyP, kExample2) + chatLine(kChatKeyP, kExample2),
                   "slot 2 after the send");
    expectNothingMoreDelivered();
}

TEST_F(EndToEnd, EveryKeyIsFreedWhenTheGameExits) {
    ASSERT_NO_FATAL_FAILURE(startArmed());
    // Probing is safe from here on: the program registers nothing more while the game runs
    // with the hotkeys on, and nothing at all once the game is gone.
    for (UINT vk : kOurKeys) {
        EXPECT_TRUE(hotkeyHeld(vk)) << keyName(vk) << " should be held while the hotkeys are on";
    }

    game_.end();
    // The next poll, at most 500 ms away, lets every key go.
    std::vector<UINT> held;
    const bool freed = waitUntil(
        [&] {
            held.clear();
            for (UINT vk : kOurKeys) {
                if (hotkeyHeld(vk)) held.push_back(vk);
            }
            return held.empty();
        },
        1500);
    std::string stillHeld;
    for (UINT vk : held) stillHeld += " " + keyName(vk);
    EXPECT_TRUE(freed) << "still held 1500 ms after the game exited:" << stillHeld;
    ASSERT_NO_FATAL_FAILURE(waitForFace(BadgeImage::GameNotRunning, 1500));
}

TEST_F(EndToEnd, ExitFromTheMenuSavesTheSettingsWithTheBadgePositionAndEndsWithStatusZero) {
    ASSERT_NO_FATAL_FAILURE(startQuelvin());
    ASSERT_NE(quelvin_.waitForWindow(
                  [](HWND window) {
                      return IsWindowVisible(window) && classNameOf(window) == QuelvinProcess::kSettingsClass;
                  },
                  10000),
              nullptr)
        << quelvin_.describeWindows();
    // The player has moved the badge; the file records where it is now.
    const POINT moved = {500, 620};
    ASSERT_TRUE(
        SetWindowPos(badge_, nullptr, moved.x, moved.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    ASSERT_TRUE(waitUntil([&] { return windowRectOf(badge_).left == moved.x; }, 2000))
        << describeWindow(badge_);

    const std::optional<DWORD> status = exitThroughMenu();
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0u);

    Settings expected = defaultSettings(screenWidth_);
    expected.window.left = moved.x;
    expected.window.top = moved.y;
    const std::optional<Text> saved = folder_->readConfig();
    ASSERT_TRUE(saved.has_value()) << "no file at " << folder_->configPath();
    EXPECT_EQ(*saved, encodeConfig(expected));
    EXPECT_EQ(saved->size(), 775u);
    EXPECT_EQ(saved->substr(saved->rfind(kSectionSeparator) + kSectionSeparator.size()),
              "500|620|" + kFalse + "|" + kTrue);
}

TEST_F(EndToEnd, StoredPositionAndFlagsAreRestoredAndSavedBack) {
    const Text stored = defaultConfigWithWindowSection(screenWidth_, "300|20|" + kTrue + "|" + kFalse);
    ASSERT_NO_FATAL_FAILURE(writeConfig(stored));
    ASSERT_NO_FATAL_FAILURE(startQuelvin());

    const RECT badge = windowRectOf(badge_);
    EXPECT_EQ(badge.left, 300) << describeWindow(badge_);
    EXPECT_EQ(badge.top, 20) << describeWindow(badge_);
    EXPECT_EQ(badge.right - badge.left, 123) << describeWindow(badge_);
    EXPECT_EQ(badge.bottom - badge.top, 40) << describeWindow(badge_);

    // The settings window is made at the badge's first activation, and stays hidden when
    // there is a file.
    HWND settings = quelvin_.waitForWindow(
        [](HWND window) { return classNameOf(window) == QuelvinProcess::kSettingsClass; }, 10000);
    ASSERT_NE(settings, nullptr) << quelvin_.describeWindows();
    ASSERT_NO_FATAL_FAILURE(waitForFace(BadgeImage::GameNotRunning));
    EXPECT_FALSE(IsWindowVisible(settings)) << describeWindow(settings);

    // Both flags come back out as they went in. (Wine keeps the topmost bit in cases where
    // Windows would not, so the file is the reliable witness here.)
    const std::optional<DWORD> status = exitThroughMenu();
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0u);
    const std::optional<Text> saved = folder_->readConfig();
    ASSERT_TRUE(saved.has_value()) << "no file at " << folder_->configPath();
    EXPECT_EQ(printable(*saved), printable(stored));
}

TEST_F(EndToEnd, MalformedFileShowsTheFatalReportAndEndsWithStatusMinusOne) {
    const Text stored = "hello";
    ASSERT_NO_FATAL_FAILURE(writeConfig(stored));
    ASSERT_TRUE(quelvin_.start(folder_->exePath())) << quelvin_.error();

    HWND report = quelvin_.waitForWindow(
        [](HWND window) { return IsWindowVisible(window) && classNameOf(window) == "#32770"; }, 20000);
    ASSERT_NE(report, nullptr) << "no message box came up"
                               << (quelvin_.running() ? "" : " and the program has ended")
                               << "; the program's windows:\n"
                               << quelvin_.describeWindows();
    EXPECT_EQ(windowTextOf(report), kFatalReportCaption);
    Text message;
    for (HWND child : childWindowsOf(report)) {
        if (classNameOf(child) == "Static" && !windowTextOf(child).empty()) message = windowTextOf(child);
    }
    EXPECT_EQ(printable(message),
              printable(fatalReportText(kSubscriptOutOfRangeCode, kSubscriptOutOfRangeMessage)));
    // The box is the only thing the program shows.
    for (HWND window : quelvin_.windows()) {
        if (window != report) {
            EXPECT_FALSE(IsWindowVisible(window)) << describeWindow(window);
        }
    }

    PostMessageA(report, WM_COMMAND, IDOK, 0);
    const std::optional<DWORD> status = quelvin_.waitForExit(15000);
    ASSERT_TRUE(status.has_value()) << "still running after the report was dismissed; its windows:\n"
                                    << quelvin_.describeWindows();
    EXPECT_EQ(*status, 0xFFFFFFFFu);
    EXPECT_EQ(folder_->readConfig(), std::optional<Text>(stored));
}

TEST_F(EndToEnd, EscInATextBoxSavesAndHidesTheSettingsButShiftEscDoesNothing) {
    ASSERT_NO_FATAL_FAILURE(startQuelvin());
    HWND settings = quelvin_.waitForWindow(
        [](HWND window) {
            return IsWindowVisible(window) && classNameOf(window) == QuelvinProcess::kSettingsClass;
        },
        10000);
    ASSERT_NE(settings, nullptr) << quelvin_.describeWindows();
    HWND row2 = textBoxOfRow(settings, 2);
    ASSERT_NE(row2, nullptr) << "no text box at row 2's place";

    const RECT box = windowRectOf(row2);
    clickAt({(box.left + box.right) / 2, (box.top + box.bottom) / 2});
    ASSERT_TRUE(waitUntil([&] { return focusedWindowOfQuelvin() == row2; }, 5000))
        << "row 2's text box did not take the focus; the focus is on "
        << describeWindow(focusedWindowOfQuelvin());

    pressKey(VK_ESCAPE, {VK_SHIFT});
    // Typing after it shows when the Shift+Esc has been handled: the keys arrive in order.
    pressKey(VK_END);
    pressKey('X');
    const Text typed = kExample2 + ";" + kExample2 + "x";
    ASSERT_TRUE(waitUntil([&] { return windowTextOf(row2) == typed; }, 5000))
        << "row 2 holds \"" << printable(windowTextOf(row2)) << "\"";
    EXPECT_TRUE(IsWindowVisible(settings)) << "Shift+Esc closed the settings window";
    EXPECT_FALSE(folder_->configExists()) << "Shift+Esc saved the file";

    pressKey(VK_ESCAPE);
    EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(settings); }, 10000)) << describeWindow(settings);
    ASSERT_TRUE(waitUntil([&] { return folder_->configExists(); }, 5000)) << "no file after Esc";
    Settings expected = defaultSettings(screenWidth_);
    expected.slots[1].text = typed;
    // Read once the save is complete: the file is replaced in one step, so once it is there
    // it is whole.
    EXPECT_EQ(printable(folder_->readConfig().value_or("")), printable(encodeConfig(expected)));
    EXPECT_TRUE(quelvin_.running()) << "Esc only hides the window";
}

TEST_F(EndToEnd, TransparentCornersShowWhatIsBehindTheBadgeAndTheDividerIsWhite) {
    ASSERT_NO_FATAL_FAILURE(writeDefaultConfig());
    // Placed before the program starts, under where the badge will stand.
    constexpr COLORREF kBehind = RGB(255, 0, 255);
    const RECT where = {screenWidth_ - 210 - 10, 43 - 10, screenWidth_ - 210 + 123 + 10, 43 + 40 + 10};
    SolidWindow behind(where, kBehind);
    ASSERT_NE(behind.handle(), nullptr);
    ASSERT_TRUE(
        waitUntil([&] { return screenPixel(where.left + 10, where.top + 10) == rgbOf(kBehind); }, 5000))
        << "the test's own window does not show";

    ASSERT_NO_FATAL_FAILURE(startQuelvin());
    ASSERT_NO_FATAL_FAILURE(waitForFace(BadgeImage::GameNotRunning));

    const RECT badge = windowRectOf(badge_);
    const POINT corners[] = {{badge.left, badge.top},
                             {badge.right - 1, badge.top},
                             {badge.left, badge.bottom - 1},
                             {badge.right - 1, badge.bottom - 1}};
    for (const POINT& corner : corners) {
        EXPECT_EQ(screenPixel(corner.x, corner.y), rgbOf(kBehind))
            << "corner " << corner.x << "," << corner.y;
    }
    for (int y = 0; y < 40; ++y) {
        EXPECT_EQ(screenPixel(badge.left + 36, badge.top + y), 0xFFFFFFu) << "divider at row " << y;
    }
}

}  // namespace
}  // namespace quelvin::e2e

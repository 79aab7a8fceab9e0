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
#include <array>
#include <cstdio>
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

constexpr BYTE kChatKeyP = 0x50;
constexpr BYTE kChatKeyO = 0x4F;

// Every key the program may hold as a hotkey.
constexpr std::array<UINT, 12> kOurKeys = {VK_HOME,    VK_END,     VK_NUMPAD0, VK_NUMPAD1,
                                           VK_NUMPAD2, VK_NUMPAD3, VK_NUMPAD4, VK_NUMPAD5,
                                           VK_NUMPAD6, VK_NUMPAD7, VK_NUMPAD8, VK_NUMPAD9};

// The example sentences of a first run, written out here on their own so that the cases do
// not take them from the code they check.
const Text kExample = "\xCA\xBE\xC0\xFD";  // 示例
const Text kExample1 = kExample + "1";
const Text kExample2 = kExample + "2";
const Text kExample3 = kExample + "3";
const Text kExample4 = kExample + "4";
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

// Keys that choose a command of the badge's menu once it is up. With nothing selected, Down
// selects the first item and Up the last; the separators are skipped.
const std::vector<BYTE> kChooseShowSettings = {VK_DOWN, VK_RETURN};
const std::vector<BYTE> kChooseMoveFreely = {VK_DOWN, VK_DOWN, VK_RETURN};
const std::vector<BYTE> kChooseAlwaysOnTop = {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
const std::vector<BYTE> kChooseExit = {VK_UP, VK_RETURN};

bool isVisibleOfClass(HWND window, const char* className) {
    return IsWindowVisible(window) && classNameOf(window) == className;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 936u) << "the tests need Wine's ANSI code page to be GBK";
        ASSERT_TRUE(faces().ready()) << faces().error();
        screenWidth_ = GetSystemMetrics(SM_CXSCREEN);
        screenHeight_ = GetSystemMetrics(SM_CYSCREEN);
        ASSERT_NO_FATAL_FAILURE(beginCase(testName()));
    }

    // A fresh start in a fresh folder: the program and the game of the case before are
    // ended. Cases of one table each call this with a name of their own.
    void beginCase(const std::string& name) {
        game_.end();
        quelvin_.terminate();
        badge_ = nullptr;
        consumed_ = 0;
        folder_.emplace(name);
        ASSERT_TRUE(folder_->ready()) << folder_->error();
        // The game is started from the case's folder too.
        _putenv(("QUELVIN_TEST_GAME=" + folder_->gamePath()).c_str());
    }

    static const BadgeFaces& faces() {
        static const BadgeFaces decoded;
        return decoded;
    }

    void writeConfig(const Text& bytes) { ASSERT_TRUE(folder_->writeConfig(bytes)) << folder_->configPath(); }
    void writeConfig(const Settings& settings) { writeConfig(encodeConfig(settings)); }
    void writeDefaultConfig() { writeConfig(defaultSettings(screenWidth_)); }

    // Starts the program and waits for its badge.
    void startQuelvin() {
        ASSERT_TRUE(quelvin_.start(folder_->exePath())) << quelvin_.error();
        badge_ = quelvin_.waitForBadge();
        ASSERT_NE(badge_, nullptr) << quelvin_.error();
    }

    // Starts the game. The program must be up already, or not started yet: two Wine
    // programs starting at the same instant can hang.
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

    // The program started on the stored file (a stored file keeps the settings window hidden,
    // so it cannot take keypad digits as typing), then the game, and the hotkeys on.
    void startArmed(const Settings& stored) {
        ASSERT_NO_FATAL_FAILURE(writeConfig(stored));
        ASSERT_NO_FATAL_FAILURE(startQuelvin());
        ASSERT_NO_FATAL_FAILURE(waitForFace(BadgeImage::GameNotRunning));
        ASSERT_NO_FATAL_FAILURE(startGameAndArm());
    }
    void startArmed() { startArmed(defaultSettings(screenWidth_)); }

    // Starts the game with the program up, and waits until the hotkeys are on.
    void startGameAndArm() {
        ASSERT_NO_FATAL_FAILURE(startGame());
        ASSERT_NO_FATAL_FAILURE(waitForFace(BadgeImage::HotkeysOn));
    }

    // Presses the key and checks that the game receives exactly `expected` next. Every
    // message the game has taken is accounted for in order, so anything sent by an earlier
    // press that should have sent nothing shows up here.
    void expectDelivery(BYTE vk, const Posts& expected, const char* what) {
        SCOPED_TRACE(what);
        pressKey(vk);
        expectReceived(expected, "after pressing " + keyName(vk));
    }

    // Waits until the game has received expected.size() more messages and compares them.
    void expectReceived(const Posts& expected, const std::string& when) {
        const std::vector<LoggedMessage> log = game_.waitForLog(consumed_ + expected.size(), 5000);
        const Posts got = postsOf(log, consumed_);
        EXPECT_EQ(got, expected) << when << ", the game received " << got.size() << " messages, "
                                 << expected.size() << " expected";
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

    // Opens the badge's menu with a right-click and chooses a command with the keyboard.
    // Returns once the menu has closed (or the program has ended).
    //
    // The game must be running with the hotkeys on (startGameAndArm): while the game is
    // absent, every poll tick dispatches whatever is queued for the program, and keys meant
    // for the open menu can go to the badge that way instead.
    void chooseFromMenu(const std::vector<BYTE>& keys) {
        ASSERT_TRUE(game_.running()) << "menus are only reliable while the game runs";
        HWND menu = nullptr;
        // A right-click that opened nothing is made again: nothing else comes of it.
        for (int attempt = 0; attempt < 3 && menu == nullptr; ++attempt) {
            clickAt(badgeGrip(), true);
            menu =
                quelvin_.waitForWindow([](HWND window) { return isVisibleOfClass(window, "#32768"); }, 3000);
        }
        ASSERT_NE(menu, nullptr) << "no menu came up after right-clicks on the badge at " << badgeGrip().x
                                 << "," << badgeGrip().y << "; " << describeInput()
                                 << "; the program's windows:\n"
                                 << quelvin_.describeWindows();
        for (BYTE key : keys) pressKey(key);
        ASSERT_TRUE(waitUntil([&] { return !quelvin_.running() || !IsWindowVisible(menu); }, 5000))
            << "the menu stayed open; " << describeInput() << "; the program's windows:\n"
            << quelvin_.describeWindows();
    }

    // Chooses "退出" and returns the program's exit status.
    std::optional<DWORD> exitThroughMenu() {
        chooseFromMenu(kChooseExit);
        if (::testing::Test::HasFatalFailure()) return std::nullopt;
        const std::optional<DWORD> status = quelvin_.waitForExit(15000);
        if (!status) {
            ADD_FAILURE() << "the program did not end after choosing the menu's last item; its windows:\n"
                          << quelvin_.describeWindows();
        }
        return status;
    }

    HWND waitForVisibleSettings(DWORD timeoutMs = 10000) {
        return quelvin_.waitForWindow(
            [](HWND window) { return isVisibleOfClass(window, QuelvinProcess::kSettingsClass); }, timeoutMs);
    }

    // The settings window's key boxes and text boxes, each list top to bottom.
    struct RowControls {
        std::vector<HWND> keyBoxes;
        std::vector<HWND> textBoxes;
    };
    static RowControls rowControlsOf(HWND settings) {
        RowControls rows;
        for (HWND child : childWindowsOf(settings)) {
            const std::string kind = classNameOf(child);
            if (kind == "ComboBox") rows.keyBoxes.push_back(child);
            if (kind == "Edit") rows.textBoxes.push_back(child);
        }
        const auto byTop = [](HWND a, HWND b) { return windowRectOf(a).top < windowRectOf(b).top; };
        std::sort(rows.keyBoxes.begin(), rows.keyBoxes.end(), byTop);
        std::sort(rows.textBoxes.begin(), rows.textBoxes.end(), byTop);
        return rows;
    }

    // The settings window's rows as the player sees them, top to bottom.
    static std::vector<Row> rowsOf(HWND settings) {
        const RowControls controls = rowControlsOf(settings);
        std::vector<Row> rows;
        for (std::size_t i = 0; i < std::min(controls.keyBoxes.size(), controls.textBoxes.size()); ++i) {
            DWORD_PTR selection = 0;
            SendMessageTimeoutA(controls.keyBoxes[i], CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &selection);
            rows.push_back(
                {windowTextOf(controls.textBoxes[i]), static_cast<int>(static_cast<LRESULT>(selection))});
        }
        return rows;
    }

    GUITHREADINFO guiThreadInfoOfQuelvin() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        if (!GetGUIThreadInfo(quelvin_.threadId(), &info)) return GUITHREADINFO{};
        return info;
    }
    // Who has the keyboard: for failure messages about keys that went astray.
    std::string describeInput() const {
        const GUITHREADINFO info = guiThreadInfoOfQuelvin();
        char text[160];
        std::snprintf(text, sizeof(text),
                      "foreground window %p; the program's active %p, focus %p, capture %p, menu owner %p, "
                      "flags %lX",
                      static_cast<void*>(GetForegroundWindow()), static_cast<void*>(info.hwndActive),
                      static_cast<void*>(info.hwndFocus), static_cast<void*>(info.hwndCapture),
                      static_cast<void*>(info.hwndMenuOwner), static_cast<unsigned long>(info.flags));
        return text;
    }

    HWND focusedWindowOfQuelvin() const { return guiThreadInfoOfQuelvin().hwndFocus; }

    int screenWidth_ = 0;
    int screenHeight_ = 0;
    std::optional<CaseFolder> folder_;
    QuelvinProcess quelvin_;
    TestGameProcess game_;
    HWND badge_ = nullptr;
    std::size_t consumed_ = 0;  // game log entries already compared
};

// ---- Start-up ----

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

    HWND settings = waitForVisibleSettings();
    ASSERT_NE(settings, nullptr) << "a first run shows the settings window; the program's windows:\n"
                                 << quelvin_.describeWindows();
    const RECT placed = windowRectOf(settings);
    EXPECT_EQ(placed.left, (screenWidth_ - 255) / 2) << describeWindow(settings);
    EXPECT_EQ(placed.top, (screenHeight_ - 369) / 2) << describeWindow(settings);
    EXPECT_EQ(placed.right - placed.left, 255) << describeWindow(settings);
    EXPECT_EQ(placed.bottom - placed.top, 369) << describeWindow(settings);
    EXPECT_EQ(windowTextOf(settings), kSettingsTitle);

    // The rows stand where the player expects them: row 10's key box is 2 px off the step.
    const RowControls controls = rowControlsOf(settings);
    ASSERT_EQ(controls.keyBoxes.size(), 10u);
    ASSERT_EQ(controls.textBoxes.size(), 10u);
    for (int k = 1; k <= 10; ++k) {
        SCOPED_TRACE("row " + std::to_string(k));
        const RECT keyBox = clientRectInParent(controls.keyBoxes[k - 1]);
        const RECT textBox = clientRectInParent(controls.textBoxes[k - 1]);
        EXPECT_EQ(keyBox.left, 12);
        EXPECT_EQ(keyBox.top, k == 10 ? 302 : 12 + 32 * (k - 1));
        EXPECT_EQ(textBox.left, 60);
        EXPECT_EQ(textBox.top, 10 + 32 * (k - 1));
    }
    EXPECT_EQ(rowsOf(settings), kFirstRunRows);

    // Nothing is saved before the player closes the settings or exits.
    EXPECT_FALSE(folder_->configExists());
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
    ASSERT_NO_FATAL_FAILURE(startGameAndArm());
    const std::optional<DWORD> status = exitThroughMenu();
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0u);
    const std::optional<Text> saved = folder_->readConfig();
    ASSERT_TRUE(saved.has_value()) << "no file at " << folder_->configPath();
    EXPECT_EQ(printable(*saved), printable(stored));
}

TEST_F(EndToEnd, MalformedFilesShowTheFatalReportAndEndWithStatusMinusOne) {
    const Text full = encodeConfig(defaultSettings(screenWidth_));
    const struct {
        const char* name;
        std::optional<Text> file;  // none: a directory of the file's name
        bool badgeShown;           // whether the badge is up when the report comes
    } kCases[] = {
        {"only hello", Text("hello"), false},
        {"an empty file", Text(), false},
        {"a directory in the file's place", std::nullopt, false},
        // The badge reads only the last section and comes up; the settings window, made at
        // the first activation, finds one sentence too many.
        {"eleven sentences", "a" + kSentenceSeparator + "b" + kSentenceSeparator + full, true},
    };
    int n = 0;
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(beginCase(testName() + "_" + std::to_string(++n)));
        if (c.file) {
            ASSERT_NO_FATAL_FAILURE(writeConfig(*c.file));
        } else {
            ASSERT_TRUE(CreateDirectoryA(folder_->configPath().c_str(), nullptr));
        }
        ASSERT_TRUE(quelvin_.start(folder_->exePath())) << quelvin_.error();

        HWND report =
            quelvin_.waitForWindow([](HWND window) { return isVisibleOfClass(window, "#32770"); }, 20000);
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

        // Besides the report, at most the badge is on screen, and only when it came up first.
        for (HWND window : quelvin_.windows()) {
            if (window == report || !IsWindowVisible(window)) continue;
            if (c.badgeShown && classNameOf(window) == QuelvinProcess::kBadgeClass) continue;
            ADD_FAILURE() << "also on screen: " << describeWindow(window);
        }
        if (c.badgeShown) {
            HWND badge = quelvin_.findWindow(QuelvinProcess::kBadgeClass);
            ASSERT_NE(badge, nullptr) << quelvin_.describeWindows();
            EXPECT_TRUE(IsWindowVisible(badge)) << describeWindow(badge);
            EXPECT_EQ(windowRectOf(badge).left, screenWidth_ - 210) << describeWindow(badge);
        }

        PostMessageA(report, WM_COMMAND, IDOK, 0);
        const std::optional<DWORD> status = quelvin_.waitForExit(15000);
        ASSERT_TRUE(status.has_value()) << "still running after the report was dismissed; its windows:\n"
                                        << quelvin_.describeWindows();
        EXPECT_EQ(*status, 0xFFFFFFFFu);
        if (c.file) {
            EXPECT_EQ(folder_->readConfig(), c.file) << "the file was changed";
        } else {
            const DWORD attributes = GetFileAttributesA(folder_->configPath().c_str());
            EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                << "the directory was replaced";
        }
    }
}

// ---- Arming and delivery ----

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

TEST_F(EndToEnd, AGameAlreadyRunningIsArmedAtStart) {
    ASSERT_NO_FATAL_FAILURE(writeDefaultConfig());
    ASSERT_NO_FATAL_FAILURE(startGame());
    ASSERT_NO_FATAL_FAILURE(startQuelvin());
    ASSERT_NO_FATAL_FAILURE(waitForFace(BadgeImage::HotkeysOn));
    expectDelivery(VK_NUMPAD0, chatLine(kChatKeyP, kExample1), "slot 1");
    expectNothingMoreDelivered();
}

TEST_F(EndToEnd, EndTurnsTheSlotKeysOffAndHomeTurnsThemOnAgain) {
    ASSERT_NO_FATAL_FAILURE(startArmed());
    expectDelivery(VK_NUMPAD0, chatLine(kChatKeyP, kExample1), "while on");

    pressKey(VK_END);
    ASSERT_NO_FATAL_FAILURE(waitForFace(BadgeImage::HotkeysOff));
    // Keypad 0 is an ordinary key now; the game hears nothing of it.
    pressKey(VK_NUMPAD0);

    pressKey(VK_HOME);
    ASSERT_NO_FATAL_FAILURE(waitForFace(BadgeImage::HotkeysOn));
    expectDelivery(VK_NUMPAD0, chatLine(kChatKeyP, kExample1), "on again after Home");
    // Home while on changes nothing.
    pressKey(VK_HOME);
    expectDelivery(VK_NUMPAD9, {}, "slot 10 is empty");
    expectDelivery(VK_NUMPAD0, chatLine(kChatKeyP, kExample1), "still on after a second Home");
    expectNothingMoreDelivered();
}

TEST_F(EndToEnd, APressDuringAChatSendIsDroppedNotQueued) {
    // Slot 1 waits 9 ms before each of its twenty lines, so its send lasts long enough for
    // the test to see it begin and press another key while it runs.
    Settings stored = defaultSettings(screenWidth_);
    Text lines;
    Posts slot1;
    for (char letter = 'a'; letter < 'a' + 20; ++letter) {
        lines += (lines.empty() ? "" : ";") + std::string(1, letter);
        slot1 = slot1 + chatLine(kChatKeyP, std::string(1, letter));
    }
    stored.slots[0].text = lines;
    ASSERT_NO_FATAL_FAILURE(startArmed(stored));

    pressKey(VK_NUMPAD0);
    ASSERT_FALSE(game_.waitForLog(1, 5000).empty()) << "slot 1's send did not begin";
    pressKey(VK_NUMPAD1);
    expectReceived(slot1, "slot 1, with slot 2 pressed during its send");

    // Once the send is over, the keys work again, and the dropped press does not come back.
    expectDelivery(VK_NUMPAD1, chatLine(kChatKeyP, kExample2) + chatLine(kChatKeyP, kExample2),
                   "slot 2 after the send");
    expectNothingMoreDelivered();
}

TEST_F(EndToEnd, EveryKeyIsFreedWhenTheGameExitsAndTakenAgainWhenItReturns) {
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

    // The game starts again: the hotkeys come back without any key pressed.
    ASSERT_NO_FATAL_FAILURE(startGame());
    ASSERT_NO_FATAL_FAILURE(waitForFace(BadgeImage::HotkeysOn, 1500));
    consumed_ = 0;  // a new game, a new log
    expectDelivery(VK_NUMPAD0, chatLine(kChatKeyP, kExample1), "slot 1 to the new game");
    expectNothingMoreDelivered();
}

TEST_F(EndToEnd, AKeyHeldByAnotherProgramStaysDeadAndTheOthersWork) {
    HeldHotkey keypad3(VK_NUMPAD3);
    ASSERT_TRUE(keypad3.held());
    ASSERT_NO_FATAL_FAILURE(startArmed());

    // Keypad 3 reaches its holder, not the program.
    pressKey(VK_NUMPAD3);
    EXPECT_TRUE(waitUntil([&] { return keypad3.presses() == 1; }, 5000)) << "the test did not get keypad 3";
    expectDelivery(VK_NUMPAD0, chatLine(kChatKeyP, kExample1), "slot 1 after the dead keypad 3");
    expectDelivery(VK_NUMPAD4,
                   commandLine(kExample5Lines[0]) + commandLine(kExample5Lines[1]) +
                       commandLine(kExample5Lines[2]) + commandLine(kExample5Lines[3]),
                   "slot 5");
    expectNothingMoreDelivered();
}

TEST_F(EndToEnd, HomeHeldByAnotherProgramKeepsEveryKeyOffUntilTheGameStartsAgain) {
    HeldHotkey home(VK_HOME);
    ASSERT_TRUE(home.held());
    ASSERT_NO_FATAL_FAILURE(writeDefaultConfig());
    ASSERT_NO_FATAL_FAILURE(startQuelvin());
    ASSERT_NO_FATAL_FAILURE(startGame());
    // The program presses Home when it finds the game; the press comes to the holder.
    ASSERT_TRUE(waitUntil([&] { return home.presses() >= 1; }, 5000)) << "the program did not press Home";
    EXPECT_EQ(face(), BadgeImage::GameNotRunning);
    for (UINT vk : kOurKeys) {
        if (vk != VK_HOME) {
            EXPECT_FALSE(hotkeyHeld(vk)) << keyName(vk) << " is held";
        }
    }
    // Keypad 0 is an ordinary key: the game hears nothing of it (a send would come at once).
    pressKey(VK_NUMPAD0);
    pumpFor(500);
    expectNothingMoreDelivered();

    // Home is free again, but the program tries only when the game comes anew.
    home.release();
    game_.end();
    pumpFor(1200);  // two polls with the game gone
    ASSERT_NO_FATAL_FAILURE(startGame());
    ASSERT_NO_FATAL_FAILURE(waitForFace(BadgeImage::HotkeysOn));
    expectDelivery(VK_NUMPAD0, chatLine(kChatKeyP, kExample1), "slot 1 to the new game");
    expectNothingMoreDelivered();
}

TEST_F(EndToEnd, KeysSendTheRowsAsTheyStandNowWithoutASave) {
    // A first run: the settings window is open with the examples, and no file is written.
    ASSERT_NO_FATAL_FAILURE(startQuelvin());
    HWND settings = waitForVisibleSettings();
    ASSERT_NE(settings, nullptr) << quelvin_.describeWindows();
    ASSERT_NO_FATAL_FAILURE(startGame());
    ASSERT_NO_FATAL_FAILURE(waitForFace(BadgeImage::HotkeysOn));

    // The player rewrites row 3 and switches it to commands; keypad 2 sends the new row.
    const RowControls rows = rowControlsOf(settings);
    ASSERT_EQ(rows.textBoxes.size(), 10u);
    const Text newText =
        "\xD0\xC2"
        ";x";  // 新;x
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutA(rows.textBoxes[2], WM_SETTEXT, 0,
                                    reinterpret_cast<LPARAM>(newText.c_str()), SMTO_ABORTIFHUNG, 2000,
                                    &result));
    expectDelivery(VK_NUMPAD2, chatLine(kChatKeyO, "\xD0\xC2") + chatLine(kChatKeyO, "x"), "row 3 rewritten");
    ASSERT_TRUE(SendMessageTimeoutA(rows.keyBoxes[2], CB_SETCURSEL, 2, 0, SMTO_ABORTIFHUNG, 2000, &result));
    expectDelivery(VK_NUMPAD2, commandLine("\xD0\xC2") + commandLine("x"), "row 3 switched to commands");
    // No selection: nothing is sent, and the other keys still work.
    ASSERT_TRUE(SendMessageTimeoutA(rows.keyBoxes[2], CB_SETCURSEL, static_cast<WPARAM>(-1), 0,
                                    SMTO_ABORTIFHUNG, 2000, &result));
    pressKey(VK_NUMPAD2);
    expectDelivery(VK_NUMPAD0, chatLine(kChatKeyP, kExample1), "slot 1 after row 3 without a selection");
    expectNothingMoreDelivered();
    EXPECT_FALSE(folder_->configExists()) << "the rows were saved without a close or an exit";
}

TEST_F(EndToEnd, HandEditedKeySelectionsAreClampedAndSavedBack) {
    Settings stored = defaultSettings(screenWidth_);
    stored.slots[1].keyMode = 5;   // beyond the last item: the backslash
    stored.slots[3].keyMode = -1;  // no selection
    ASSERT_NO_FATAL_FAILURE(startArmed(stored));
    HWND settings = quelvin_.findWindow(QuelvinProcess::kSettingsClass);
    ASSERT_NE(settings, nullptr) << quelvin_.describeWindows();
    const std::vector<Row> rows = rowsOf(settings);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[1].keySelection, 2);
    EXPECT_EQ(rows[3].keySelection, -1);

    pressKey(VK_NUMPAD3);
    expectDelivery(VK_NUMPAD1, commandLine(kExample2) + commandLine(kExample2), "slot 2 as commands");
    expectNothingMoreDelivered();

    const std::optional<DWORD> status = exitThroughMenu();
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0u);
    Settings expected = stored;
    expected.slots[1].keyMode = 2;
    EXPECT_EQ(printable(folder_->readConfig().value_or("")), printable(encodeConfig(expected)));
}

// ---- The badge's menu ----

TEST_F(EndToEnd, ExitFromTheMenuSavesTheSettingsWithTheBadgePositionAndEndsWithStatusZero) {
    ASSERT_NO_FATAL_FAILURE(startQuelvin());
    ASSERT_NE(waitForVisibleSettings(), nullptr) << quelvin_.describeWindows();
    ASSERT_NO_FATAL_FAILURE(startGameAndArm());
    // The badge has been moved; the file records where it is now.
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
    EXPECT_EQ(printable(*saved), printable(encodeConfig(expected)));
    EXPECT_EQ(saved->substr(saved->rfind(kSectionSeparator) + kSectionSeparator.size()),
              "500|620|" + kFalse + "|" + kTrue);
}

TEST_F(EndToEnd, MenuTogglesAreSavedOnExit) {
    const struct {
        const char* name;
        std::vector<std::vector<BYTE>> choices;
        Text flags;  // MOVE|ONTOP as saved
    } kCases[] = {
        {"move freely on", {kChooseMoveFreely}, kTrue + "|" + kTrue},
        {"always on top off", {kChooseAlwaysOnTop}, kFalse + "|" + kFalse},
        {"always on top twice", {kChooseAlwaysOnTop, kChooseAlwaysOnTop}, kFalse + "|" + kTrue},
        {"both", {kChooseMoveFreely, kChooseAlwaysOnTop}, kTrue + "|" + kFalse},
    };
    int n = 0;
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(beginCase(testName() + "_" + std::to_string(++n)));
        ASSERT_NO_FATAL_FAILURE(writeDefaultConfig());
        ASSERT_NO_FATAL_FAILURE(startQuelvin());
        ASSERT_NO_FATAL_FAILURE(startGameAndArm());
        for (const auto& keys : c.choices) ASSERT_NO_FATAL_FAILURE(chooseFromMenu(keys));
        const std::optional<DWORD> status = exitThroughMenu();
        ASSERT_TRUE(status.has_value());
        EXPECT_EQ(*status, 0u);
        const Text saved = folder_->readConfig().value_or("");
        EXPECT_EQ(printable(saved.substr(saved.rfind(kSectionSeparator) + kSectionSeparator.size())),
                  printable(std::to_string(screenWidth_ - 210) + "|43|" + c.flags));
    }
}

TEST_F(EndToEnd, WithMoveFreelyTheBadgeIsDraggedAndTheNewPlaceIsSaved) {
    ASSERT_NO_FATAL_FAILURE(
        writeConfig(defaultConfigWithWindowSection(screenWidth_, "300|20|" + kTrue + "|" + kTrue)));
    ASSERT_NO_FATAL_FAILURE(startQuelvin());
    // With the game gone, a poll tick could take the mouse's messages from the move.
    ASSERT_NO_FATAL_FAILURE(startGameAndArm());
    // A press anywhere on the picture grabs the badge as a caption would be grabbed. The
    // move starts when the program has taken the press; the mouse moves on from there.
    const POINT from = badgeGrip();
    ASSERT_TRUE(pointAt(from));
    leftButton(true);
    const bool moving =
        waitUntil([&] { return (guiThreadInfoOfQuelvin().flags & GUI_INMOVESIZE) != 0; }, 5000);
    if (moving) {
        for (int step = 1; step <= 10; ++step) {
            moveMouseTo({from.x + 15 * step, from.y + 20 * step});
            pumpFor(10);
        }
    }
    leftButton(false);
    ASSERT_TRUE(moving) << "pressing the left button on the badge did not start a move";
    ASSERT_TRUE(
        waitUntil([&] { return windowRectOf(badge_).left == 450 && windowRectOf(badge_).top == 220; }, 5000))
        << "the badge did not follow the mouse: " << describeWindow(badge_);

    const std::optional<DWORD> status = exitThroughMenu();
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0u);
    const Text saved = folder_->readConfig().value_or("");
    EXPECT_EQ(printable(saved.substr(saved.rfind(kSectionSeparator) + kSectionSeparator.size())),
              printable("450|220|" + kTrue + "|" + kTrue));
}

// ---- The settings window ----

TEST_F(EndToEnd, EscInATextBoxSavesAndHidesTheSettingsButShiftEscDoesNothing) {
    ASSERT_NO_FATAL_FAILURE(startQuelvin());
    HWND settings = waitForVisibleSettings();
    ASSERT_NE(settings, nullptr) << quelvin_.describeWindows();
    const RowControls rows = rowControlsOf(settings);
    ASSERT_EQ(rows.textBoxes.size(), 10u);
    HWND row2 = rows.textBoxes[1];

    // A click past the end of the text puts the caret at its end. A click that went astray
    // (the window had only just come up) is made again.
    const RECT box = windowRectOf(row2);
    bool focused = false;
    for (int attempt = 0; attempt < 3 && !focused; ++attempt) {
        clickAt({box.right - 8, (box.top + box.bottom) / 2});
        focused = waitUntil([&] { return focusedWindowOfQuelvin() == row2; }, 2000);
    }
    ASSERT_TRUE(focused) << "row 2's text box did not take the focus; the focus is on "
                         << describeWindow(focusedWindowOfQuelvin());

    pressKey(VK_ESCAPE, {VK_SHIFT});
    // Typing after it shows when the Shift+Esc has been handled: the keys arrive in order.
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
    // The file is replaced in one step, so once it is there it is whole.
    EXPECT_EQ(printable(folder_->readConfig().value_or("")), printable(encodeConfig(expected)));
    EXPECT_TRUE(quelvin_.running()) << "Esc only hides the window";

    // Shown again from the menu, the window has kept its rows: it does not read the file,
    // which would now be fatal.
    ASSERT_NO_FATAL_FAILURE(writeConfig(Text("hello")));
    ASSERT_NO_FATAL_FAILURE(startGameAndArm());
    ASSERT_NO_FATAL_FAILURE(chooseFromMenu(kChooseShowSettings));
    ASSERT_TRUE(waitUntil([&] { return IsWindowVisible(settings) != FALSE; }, 5000))
        << quelvin_.describeWindows();
    std::vector<Row> expectedRows = kFirstRunRows;
    expectedRows[1].text = typed;
    EXPECT_EQ(rowsOf(settings), expectedRows);
    EXPECT_TRUE(quelvin_.running());
}

// ---- What the screen shows ----

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

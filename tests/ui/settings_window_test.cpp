// The settings window on a real window: its frame and controls, the rows it loads, the
// live answers it gives the dispatcher, and how a close request saves and hides it.

#include "ui/settings_window.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/config_file.h"
#include "settings/config_store.h"
#include "ui_test_support.h"

namespace quelvin {
namespace {

// 设置Quelvin(关闭自动保存)
const std::string kTitle =
    "\xC9\xE8\xD6\xC3"  // 设置
    "Quelvin("
    "\xB9\xD8\xB1\xD5"  // 关闭
    "\xD7\xD4\xB6\xAF"  // 自动
    "\xB1\xA3\xB4\xE6"  // 保存
    ")";
const std::string kChinese = "\xD6\xD0\xCE\xC4";  // 中文
const std::string kBackslashTrail = "\x95\x5C";   // 昞: its second byte is 0x5C
const std::string kExample1 =
    "\xCA\xBE\xC0\xFD"
    "1";                                                   // 示例1
const std::string kWindowField = "1|2|\xBC\xD9|\xD5\xE6";  // 1|2|假|真

std::string join(const std::vector<std::string>& parts, const std::string& separator) {
    std::string joined;
    for (std::size_t i = 0; i < parts.size(); ++i) joined += (i ? separator : "") + parts[i];
    return joined;
}

// A configuration file from its pieces, each key written as given.
std::string configText(const std::vector<std::string>& sentences, const std::vector<std::string>& keys,
                       const std::string& windowField = kWindowField) {
    return join(sentences, kSentenceSeparator) + kSectionSeparator + join(keys, kKeySeparator) +
           kSectionSeparator + windowField;
}

struct FakeBadge : WindowStateSource {
    WindowState state{321, 54, true, false};
    WindowState badgeWindowState() override { return state; }
};

class SettingsWindowTest : public ::testing::Test {
protected:
    ~SettingsWindowTest() override { test::setMessageFilter(nullptr); }

    void create() {
        ASSERT_TRUE(window_.create(owner_.handle(), badge_));
        test::setMessageFilter([this](MSG* message) { return window_.translateDialogMessage(message); });
    }

    // Rows as the window holds them now.
    std::vector<SlotSettings> rows() {
        std::vector<SlotSettings> all;
        for (int k = 1; k <= kSlotCount; ++k) all.push_back({window_.rowText(k), window_.rowKeyMode(k)});
        return all;
    }

    bool visible() { return IsWindowVisible(window_.handle()) != FALSE; }

    // Shows the window in front with the focus on `control`, as after the player clicked it.
    void focus(HWND control) {
        window_.show();
        test::pumpFor(50);
        SetFocus(control);
        test::pumpFor(50);
        ASSERT_EQ(GetFocus(), control);
    }

    test::TempDirectory directory_;
    std::string path_ = directory_.file("Quelvin.cfg");
    ConfigStore store_{path_};
    int faults_ = 0;
    FakeBadge badge_;
    test::PlainWindow owner_{RECT{0, 0, 10, 10}, 0, false};
    SettingsWindow window_{store_, [this] { ++faults_; }};
};

TEST_F(SettingsWindowTest, IsAFixedHiddenOwnedWindowCentredOnTheScreen) {
    create();
    HWND window = window_.handle();
    EXPECT_EQ(test::className(window), "QuelvinSettings");
    EXPECT_EQ(test::windowText(window), kTitle);
    EXPECT_FALSE(visible());
    EXPECT_EQ(GetWindow(window, GW_OWNER), owner_.handle());
    EXPECT_FALSE(test::isTopmost(window));

    const RECT rect = test::windowRect(window);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 255) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 369) / 2);
    EXPECT_EQ(rect.right - rect.left, 255);
    EXPECT_EQ(rect.bottom - rect.top, 369);

    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
}

TEST_F(SettingsWindowTest, OnA1024By768ScreenItsCornerIsAt384And199) {
    if (GetSystemMetrics(SM_CXSCREEN) != 1024 || GetSystemMetrics(SM_CYSCREEN) != 768) {
        GTEST_SKIP() << "needs a 1024 x 768 screen";
    }
    create();
    const RECT rect = test::windowRect(window_.handle());
    EXPECT_EQ(rect.left, 384);
    EXPECT_EQ(rect.top, 199);
}

TEST_F(SettingsWindowTest, RowsSitAtTheirPlacesWithTheDefaultGuiFont) {
    create();
    const auto guiFont = reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT));
    const int kKeyBoxY[] = {12, 44, 76, 108, 140, 172, 204, 236, 268, 302};
    const int kTextBoxY[] = {10, 42, 74, 106, 138, 170, 202, 234, 266, 298};
    for (int k = 1; k <= kSlotCount; ++k) {
        SCOPED_TRACE("row " + std::to_string(k));
        HWND keyBox = window_.keyBox(k);
        HWND textBox = window_.textBox(k);
        EXPECT_EQ(GetDlgCtrlID(keyBox), SettingsWindow::kKeyBoxId + k);
        EXPECT_EQ(GetDlgCtrlID(textBox), SettingsWindow::kTextBoxId + k);

        EXPECT_STRCASEEQ(test::className(keyBox).c_str(), "ComboBox");
        const RECT key = test::childRect(keyBox);
        EXPECT_EQ(key.left, 12);
        EXPECT_EQ(key.top, kKeyBoxY[k - 1]);
        EXPECT_EQ(key.right - key.left, 40);
        const LONG keyStyle = GetWindowLongA(keyBox, GWL_STYLE);
        EXPECT_EQ(keyStyle & 0x3, CBS_DROPDOWNLIST);
        EXPECT_FALSE(keyStyle & CBS_SORT);
        EXPECT_EQ(SendMessageA(keyBox, WM_GETFONT, 0, 0), guiFont);

        EXPECT_STRCASEEQ(test::className(textBox).c_str(), "Edit");
        const RECT text = test::childRect(textBox);
        EXPECT_EQ(text.left, 60);
        EXPECT_EQ(text.top, kTextBoxY[k - 1]);
        EXPECT_EQ(text.right - text.left, 178);
        EXPECT_EQ(text.bottom - text.top, 24);
        EXPECT_TRUE(GetWindowLongA(textBox, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
        const LONG textStyle = GetWindowLongA(textBox, GWL_STYLE);
        EXPECT_TRUE(textStyle & ES_AUTOHSCROLL);
        EXPECT_FALSE(textStyle & (ES_MULTILINE | ES_READONLY | ES_PASSWORD | ES_UPPERCASE | ES_LOWERCASE));
        EXPECT_EQ(SendMessageA(textBox, WM_GETFONT, 0, 0), guiFont);
    }
}

// The sizes the window's controls were created with, seen from a CBT hook.
std::vector<SIZE> gCreatedKeyBoxSizes;

LRESULT CALLBACK recordCreation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && test::className(reinterpret_cast<HWND>(wParam)) == "ComboBox") {
        const CREATESTRUCTA* created = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        gCreatedKeyBoxSizes.push_back({created->cx, created->cy});
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(SettingsWindowTest, KeyBoxesAreCreated160PixelsTallForTheirOpenList) {
    // Closed, a drop-down list box takes the height its font needs; what the window chooses
    // is the height with the list open, which only creation shows on every system.
    gCreatedKeyBoxSizes.clear();
    HHOOK hook = SetWindowsHookExA(WH_CBT, recordCreation, nullptr, GetCurrentThreadId());
    create();
    UnhookWindowsHookEx(hook);
    ASSERT_EQ(gCreatedKeyBoxSizes.size(), std::size_t{kSlotCount});
    for (const SIZE& size : gCreatedKeyBoxSizes) {
        EXPECT_EQ(size.cx, 40);
        EXPECT_EQ(size.cy, 160);
    }
}

TEST_F(SettingsWindowTest, KeyBoxesOfferPOAndBackslashInThatOrder) {
    create();
    for (int k = 1; k <= kSlotCount; ++k) {
        SCOPED_TRACE("row " + std::to_string(k));
        HWND keyBox = window_.keyBox(k);
        ASSERT_EQ(SendMessageA(keyBox, CB_GETCOUNT, 0, 0), 3);
        const char* kItems[] = {"P", "O", "\\"};
        for (int i = 0; i < 3; ++i) {
            char item[16] = {};
            SendMessageA(keyBox, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
            EXPECT_STREQ(item, kItems[i]);
        }
    }
}

TEST_F(SettingsWindowTest, AFirstRunShowsTheExamples) {
    create();
    EXPECT_EQ(faults_, 0);
    const std::vector<SlotSettings> expected = [] {
        const Settings defaults = defaultSettings(GetSystemMetrics(SM_CXSCREEN));
        return std::vector<SlotSettings>(defaults.slots.begin(), defaults.slots.end());
    }();
    EXPECT_EQ(rows(), expected);
    // The examples themselves, so that the test does not only repeat the defaults.
    EXPECT_EQ(window_.rowText(1), kExample1);
    EXPECT_EQ(window_.rowText(5), "weapon 5;weapon 6;moveto 0 0 0;pose 58");
    EXPECT_EQ(window_.rowKeyMode(3), kKeyModeChatO);
    EXPECT_EQ(window_.rowKeyMode(5), kKeyModeCommand);
    EXPECT_EQ(window_.rowText(6), "");
    EXPECT_EQ(window_.rowKeyMode(10), kKeyModeChatP);
    EXPECT_FALSE(test::fileExists(path_));  // creating reads; it does not write
}

TEST_F(SettingsWindowTest, KeyValuesFromTheFileAreClampedToTheItems) {
    const struct {
        const char* written;
        KeyMode shown;
    } kCases[] = {
        {"0", 0},   {"1", 1},   {"2", 2},   {"3", 2},   {"7", 2},
        {"-1", -1}, {"-2", -1}, {"-5", -1}, {"abc", 0}, {"2147483647", 2},
    };
    std::vector<std::string> keys;
    for (const auto& c : kCases) keys.push_back(c.written);
    test::writeFile(path_, configText({"a", "b"}, keys));
    create();
    ASSERT_EQ(faults_, 0);
    for (int k = 1; k <= kSlotCount; ++k) {
        SCOPED_TRACE(std::string("key written as ") + kCases[k - 1].written);
        EXPECT_EQ(window_.rowKeyMode(k), kCases[k - 1].shown);
    }
}

TEST_F(SettingsWindowTest, RowsBeyondTheFilesListsKeepTheirInitialValues) {
    test::writeFile(path_, configText({"one", kChinese + kBackslashTrail + ";x", ""}, {"2", "1"}));
    create();
    ASSERT_EQ(faults_, 0);
    std::vector<SlotSettings> expected(kSlotCount, SlotSettings{"", kKeyModeChatP});
    expected[0] = {"one", kKeyModeCommand};
    expected[1] = {kChinese + kBackslashTrail + ";x", kKeyModeChatO};
    EXPECT_EQ(rows(), expected);
}

TEST_F(SettingsWindowTest, AMalformedFileIsAConfigFault) {
    std::vector<std::string> eleven(11, "s");
    const struct {
        const char* name;
        std::string text;
    } kCases[] = {
        {"eleven sentences", configText(eleven, {"0"})},
        {"eleven keys", configText({"s"}, std::vector<std::string>(11, "0"))},
        {"no section separator", "hello"},
        {"empty file", ""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        test::writeFile(path_, c.text);
        faults_ = 0;
        SettingsWindow window(store_, [this] { ++faults_; });
        ASSERT_TRUE(window.create(owner_.handle(), badge_));
        EXPECT_EQ(faults_, 1);
        EXPECT_EQ(test::readFile(path_), c.text);
    }
}

TEST_F(SettingsWindowTest, RowsAnswerFromTheControlsAsTheyAreNow) {
    EXPECT_EQ(window_.rowText(1), "");
    EXPECT_EQ(window_.rowKeyMode(1), kKeyModeNone);
    create();
    SetWindowTextA(window_.textBox(3), (kChinese + ";pose 1").c_str());
    EXPECT_EQ(window_.rowText(3), kChinese + ";pose 1");
    SendMessageA(window_.keyBox(3), CB_SETCURSEL, 2, 0);
    EXPECT_EQ(window_.rowKeyMode(3), kKeyModeCommand);
    SendMessageA(window_.keyBox(3), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    EXPECT_EQ(window_.rowKeyMode(3), kKeyModeNone);
    for (int k : {0, 11, -1}) {
        SCOPED_TRACE(k);
        EXPECT_EQ(window_.rowText(k), "");
        EXPECT_EQ(window_.rowKeyMode(k), kKeyModeNone);
    }
}

TEST_F(SettingsWindowTest, ThePlayersTypingIsReadWithoutASave) {
    create();
    focus(window_.textBox(6));
    for (char c : std::string("hi;yo")) SendMessageA(window_.textBox(6), WM_CHAR, static_cast<WPARAM>(c), 0);
    EXPECT_EQ(window_.rowText(6), "hi;yo");
    SetFocus(window_.keyBox(6));
    test::pressKey(VK_DOWN);
    test::pumpFor(100);
    EXPECT_EQ(window_.rowKeyMode(6), kKeyModeChatO);
    EXPECT_FALSE(test::fileExists(path_));
}

TEST_F(SettingsWindowTest, ATextBoxTakesMoreThanTheDefaultLimit) {
    create();
    // Past 32767 characters, the edit control's default limit refuses every typed one.
    const std::string longText(40000, 'a');
    SetWindowTextA(window_.textBox(1), longText.c_str());
    SendMessageA(window_.textBox(1), EM_SETSEL, 40000, 40000);
    SendMessageA(window_.textBox(1), WM_CHAR, 'z', 0);
    EXPECT_EQ(window_.rowText(1), longText + "z");
}

TEST_F(SettingsWindowTest, ACloseRequestSavesAndHidesAndTheWindowLivesOn) {
    const struct {
        const char* name;
        UINT message;
        WPARAM wParam;
    } kCases[] = {
        {"close button", WM_CLOSE, 0},
        {"system close command", WM_SYSCOMMAND, SC_CLOSE},
    };
    create();
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        DeleteFileA(path_.c_str());
        window_.show();
        SetWindowTextA(window_.textBox(2), (std::string(c.name) + kChinese).c_str());
        SendMessageA(window_.keyBox(4), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        SendMessageA(window_.handle(), c.message, c.wParam, 0);
        EXPECT_FALSE(visible());
        ASSERT_TRUE(IsWindow(window_.handle()));

        Settings expected = defaultSettings(GetSystemMetrics(SM_CXSCREEN));
        expected.slots[1] = {std::string(c.name) + kChinese, kKeyModeChatP};
        expected.slots[3].keyMode = kKeyModeNone;
        expected.window = badge_.state;
        EXPECT_EQ(test::readFile(path_), encodeConfig(expected));
        // Contents stay as they were.
        EXPECT_EQ(window_.rowText(2), std::string(c.name) + kChinese);
    }
}

TEST_F(SettingsWindowTest, SavingWritesBackWhatWasLoaded) {
    const std::string text =
        configText({kChinese, "", kBackslashTrail + "\\", "a;b;;c", "", "", "", "", "", "ten"},
                   {"0", "1", "2", "-1", "0", "1", "2", "0", "1", "2"}, "-40|7|\xD5\xE6|\xBC\xD9");
    test::writeFile(path_, text);
    create();
    ASSERT_EQ(faults_, 0);
    badge_.state = WindowState{-40, 7, true, false};
    window_.saveAndHide();
    EXPECT_EQ(test::readFile(path_), text);
}

TEST_F(SettingsWindowTest, KeyValuesOutsideTheItemsAreSavedClamped) {
    test::writeFile(path_, configText({"a"}, {"5", "-9"}));
    create();
    window_.saveAndHide();
    const std::optional<DecodedSlots> saved = decodeSlots(test::readFile(path_));
    ASSERT_TRUE(saved);
    ASSERT_GE(saved->keys.size(), 2u);
    EXPECT_EQ(saved->keys[0], 2);
    EXPECT_EQ(saved->keys[1], -1);
}

TEST_F(SettingsWindowTest, EscWithoutModifiersIsACloseRequestWhereverTheFocusIs) {
    create();
    const struct {
        const char* name;
        HWND focus;
        std::initializer_list<BYTE> modifiers;
        bool dropList;
        bool closes;
    } kCases[] = {
        {"Esc in text box 3", window_.textBox(3), {}, false, true},
        {"Esc in key box 7", window_.keyBox(7), {}, false, true},
        {"Esc in key box 2 with its list open", window_.keyBox(2), {}, true, true},
        {"Esc on the window itself", window_.handle(), {}, false, true},
        {"Shift+Esc in text box 3", window_.textBox(3), {VK_SHIFT}, false, false},
        {"Ctrl+Esc in text box 1", window_.textBox(1), {VK_CONTROL}, false, false},
        {"Alt+Esc in key box 1", window_.keyBox(1), {VK_MENU}, false, false},
        {"Shift+Esc in key box 5", window_.keyBox(5), {VK_SHIFT}, false, false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        DeleteFileA(path_.c_str());
        focus(c.focus);
        if (c.dropList) SendMessageA(c.focus, CB_SHOWDROPDOWN, TRUE, 0);
        test::pressKey(VK_ESCAPE, c.modifiers);
        if (c.closes) {
            EXPECT_TRUE(test::pumpUntil([this] { return !visible(); }, 2000));
            EXPECT_TRUE(test::fileExists(path_));
            if (c.dropList) {
                EXPECT_FALSE(SendMessageA(c.focus, CB_GETDROPPEDSTATE, 0, 0));
            }
        } else {
            test::pumpFor(300);
            EXPECT_TRUE(visible());
            EXPECT_FALSE(test::fileExists(path_));
        }
        if (c.dropList) SendMessageA(c.focus, CB_SHOWDROPDOWN, FALSE, 0);
    }
}

TEST_F(SettingsWindowTest, EnterHasNoActionOfItsOwn) {
    create();
    focus(window_.textBox(2));
    test::pressKey(VK_RETURN);
    test::pumpFor(300);
    EXPECT_TRUE(visible());
    EXPECT_FALSE(test::fileExists(path_));
    EXPECT_EQ(GetFocus(), window_.textBox(2));
}

TEST_F(SettingsWindowTest, TabMovesRowByRowKeyBoxBeforeTextBox) {
    create();
    focus(window_.keyBox(1));
    std::vector<HWND> expected;
    std::vector<HWND> visited;
    for (int k = 1; k <= kSlotCount; ++k) {
        expected.push_back(window_.textBox(k));
        if (k < kSlotCount) expected.push_back(window_.keyBox(k + 1));
    }
    expected.push_back(window_.keyBox(1));  // and round again
    for (std::size_t i = 0; i < expected.size(); ++i) {
        test::pressKey(VK_TAB);
        test::pumpFor(30);
        visited.push_back(GetFocus());
    }
    EXPECT_EQ(visited, expected);
    test::pressKey(VK_TAB, {VK_SHIFT});
    test::pumpFor(30);
    EXPECT_EQ(GetFocus(), window_.textBox(kSlotCount));
}

TEST_F(SettingsWindowTest, ReopeningShowsTheSameContentsWithoutReadingTheFile) {
    create();
    SetWindowTextA(window_.textBox(1), "edited");
    window_.saveAndHide();
    test::writeFile(path_, configText({"from the file"}, {"2"}));
    window_.show();
    EXPECT_TRUE(visible());
    EXPECT_EQ(window_.rowText(1), "edited");
    EXPECT_EQ(window_.rowKeyMode(1), kKeyModeChatP);
}

TEST_F(SettingsWindowTest, AFailedSaveStillHidesTheWindow) {
    ConfigStore failing(path_, [](SaveStep step) { return step == SaveStep::Write; });
    SettingsWindow window(failing, [this] { ++faults_; });
    ASSERT_TRUE(window.create(owner_.handle(), badge_));
    window.show();
    window.saveAndHide();
    EXPECT_FALSE(IsWindowVisible(window.handle()));
    EXPECT_FALSE(test::fileExists(path_));
}

TEST_F(SettingsWindowTest, NothingIsSavedBeforeTheWindowExists) {
    window_.saveAndHide();
    EXPECT_FALSE(test::fileExists(path_));
}

TEST_F(SettingsWindowTest, TheOwnersDestructionTakesTheWindowWithIt) {
    HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    SettingsWindow window(store_, [this] { ++faults_; });
    ASSERT_TRUE(window.create(owner, badge_));
    HWND settings = window.handle();
    DestroyWindow(owner);
    EXPECT_FALSE(IsWindow(settings));
    EXPECT_EQ(window.handle(), nullptr);
    EXPECT_EQ(window.rowText(1), "");
    EXPECT_EQ(window.rowKeyMode(1), kKeyModeNone);
    window.saveAndHide();
    EXPECT_FALSE(test::fileExists(path_));
}

}  // namespace
}  // namespace quelvin

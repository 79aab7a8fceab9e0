// Sentence delivery on the real window system (Wine here), against the test game.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "delivery/game_input_poster.h"
#include "delivery/game_window_finder.h"
#include "platform/win32_window_system.h"
#include "test_game_process.h"

namespace quelvin {
namespace {

WindowHandle handleOf(HWND window) { return reinterpret_cast<WindowHandle>(window); }

// (message, wParam) pairs, what the assertions compare.
using Keys = std::vector<std::pair<UINT, WPARAM>>;

Keys keysOf(const std::vector<LoggedMessage>& log) {
    Keys out;
    for (const auto& m : log) {
        out.emplace_back(m.message, m.wParam);
    }
    return out;
}

Keys keyPress(WPARAM vk) { return {{WM_KEYDOWN, vk}, {WM_KEYUP, vk}}; }

Keys chars(const Text& text) {
    Keys out;
    for (const char b : text) {
        out.emplace_back(WM_CHAR, static_cast<unsigned char>(b));
    }
    return out;
}

Keys operator+(Keys a, const Keys& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

long long microsecondsNow() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return c.QuadPart / f.QuadPart * 1000000 + c.QuadPart % f.QuadPart * 1000000 / f.QuadPart;
}

class DeliveryOnWindows : public ::testing::Test {
protected:
    void startGame(TestGameProcess::Options options = {}) {
        ASSERT_TRUE(game_.start(options)) << game_.error();
    }

    Win32WindowSystem ws_;
    GameWindowFinder finder_{ws_};
    GameInputPoster poster_{ws_, finder_};
    TestGameProcess game_;
};

TEST_F(DeliveryOnWindows, RunsWithTheChineseCodePage) { EXPECT_EQ(GetACP(), 936u); }

TEST_F(DeliveryOnWindows, FinderReturnsTheGameMainWindow) {
    startGame();
    ASSERT_NE(game_.popupWindow(), nullptr);

    EXPECT_EQ(finder_.findGameWindow(kGameExe), handleOf(game_.mainWindow()));
    EXPECT_EQ(finder_.findGameWindow("METEOR.EXE"), handleOf(game_.mainWindow()));
}

TEST_F(DeliveryOnWindows, FinderFindsNothingWithoutThePopup) {
    startGame({.popup = false});

    EXPECT_EQ(finder_.findGameWindow(kGameExe), kNoWindow);
}

TEST_F(DeliveryOnWindows, FinderFindsNothingOnceTheGameIsGone) {
    startGame();
    ASSERT_NE(finder_.findGameWindow(kGameExe), kNoWindow);

    game_.end();

    EXPECT_EQ(finder_.findGameWindow(kGameExe), kNoWindow);
}

TEST_F(DeliveryOnWindows, ChatSendDeliversTheExactBytes) {
    startGame();
    const Text line1 = "\xCA\xBE\xC0\xFD\x31";  // 示例1
    const Text line2 = "\xD5\x5C\x78";          // 誠x: a trail byte 0x5C

    poster_.sendPieces(0x50, {line1, line2});

    const Keys expected = keyPress(0x50) + chars(line1 + "\r\n") + keyPress(0x50) + chars(line2 + "\r\n");
    EXPECT_EQ(keysOf(game_.waitForLog(expected.size())), expected);
}

TEST_F(DeliveryOnWindows, CommandSendDeliversTheExactBytes) {
    startGame();
    const Text line = "\xD5\x5C\x20\xC4\xE3";  // 誠 你

    poster_.sendPieces(kCommandModeKey, {line, ""});

    const Keys expected = chars("\\" + line + "\r\n\\\r\n");
    EXPECT_EQ(keysOf(game_.waitForLog(expected.size())), expected);
}

TEST_F(DeliveryOnWindows, TheTextFollowsTheChatKeyAfterAtLeastNineMilliseconds) {
    startGame();

    for (int round = 0; round < 5; ++round) {
        poster_.sendPieces(0x4F, {"a"});
    }

    const auto log = game_.waitForLog(5 * 5);
    ASSERT_EQ(log.size(), 25u);
    for (std::size_t i = 0; i < log.size(); i += 5) {
        SCOPED_TRACE(i);
        ASSERT_EQ(log[i + 1].message, static_cast<UINT>(WM_KEYUP));
        ASSERT_EQ(log[i + 2].message, static_cast<UINT>(WM_CHAR));
        // Message times are the tick count at posting, in whole milliseconds: a true gap of
        // 9 ms or more never shows as less than 9.
        EXPECT_GE(log[i + 2].postedMs - log[i + 1].postedMs, 9u);
    }
}

// A message-only window of the test that counts what reaches it.
class CountingWindow {
public:
    CountingWindow() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "QuelvinCountingWindow";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, "QuelvinCountingWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        count_ = 0;
    }
    ~CountingWindow() { DestroyWindow(window_); }
    HWND get() const { return window_; }
    int count() const { return count_; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_USER + 1) {
            ++count_;
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    static inline int count_ = 0;
    HWND window_;
};

TEST_F(DeliveryOnWindows, PumpingWaitDispatchesWhatIsPostedMeanwhile) {
    CountingWindow counter;
    ASSERT_NE(counter.get(), nullptr);
    const HWND target = counter.get();
    std::atomic<bool> posted{false};
    std::thread poster([&] {
        Sleep(2);
        posted = PostMessageA(target, WM_USER + 1, 0, 0) != 0;
    });

    const long long begin = microsecondsNow();
    poster_.pumpingWait(30);
    const long long elapsed = microsecondsNow() - begin;
    poster.join();

    ASSERT_TRUE(posted);
    EXPECT_EQ(counter.count(), 1) << "dispatched inside the wait";
    EXPECT_GE(elapsed, 30000);
}

TEST_F(DeliveryOnWindows, PumpingWaitLastsAtLeastItsTime) {
    for (const std::uint32_t ms : {1u, 9u, 20u}) {
        SCOPED_TRACE(ms);
        const long long begin = microsecondsNow();
        poster_.pumpingWait(ms);
        EXPECT_GE(microsecondsNow() - begin, static_cast<long long>(ms) * 1000);
    }
}

TEST_F(DeliveryOnWindows, ProcessPendingMessagesLeavesTheQuitRequestQueued) {
    CountingWindow counter;
    PostMessageA(counter.get(), WM_USER + 1, 0, 0);
    PostQuitMessage(7);
    PostMessageA(counter.get(), WM_USER + 1, 0, 0);

    ws_.processPendingMessages();

    EXPECT_EQ(counter.count(), 2) << "posted messages before and after the quit request";
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(DeliveryOnWindows, ProcessPendingMessagesStopsAtAPostedQuitMessage) {
    CountingWindow counter;
    PostMessageA(counter.get(), WM_USER + 1, 0, 0);
    PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 3, 0);
    PostMessageA(counter.get(), WM_USER + 1, 0, 0);

    ws_.processPendingMessages();

    EXPECT_EQ(counter.count(), 1) << "only what came before the quit request";
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
    ws_.processPendingMessages();
    EXPECT_EQ(counter.count(), 2);
}

}  // namespace
}  // namespace quelvin

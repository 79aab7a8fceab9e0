#include "delivery/game_input_poster.h"

#include <gtest/gtest.h>

#include "message_builders.h"
#include "recording_window_system.h"

namespace quelvin {
namespace {

using Pieces = std::vector<Text>;

class GameInputPosterTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_TRUE(ws_.openHandles().empty()) << "a timer or snapshot was left open";
        EXPECT_EQ(ws_.badCloses(), 0);
        EXPECT_EQ(ws_.misroutes(), 0);
    }

    RecordingWindowSystem ws_;
    GameWindowFinder finder_{ws_};
    GameInputPoster poster_{ws_, finder_};
};

struct SendCase {
    const char* name;
    std::uint32_t key;
    Pieces pieces;
    Messages expected;  // what the game's main window receives, with virtual times
};

TEST_F(GameInputPosterTest, SendsTheExactMessageSequence) {
    const SendCase kCases[] = {
        {"chat via P, one line",
         0x50,
         {"hi"},
         keyPressAt(0, 0x50) + charsAt(9, "h") + charsAt(9, "i") + charsAt(9, "\x0D\x0A")},
        {"chat via O, one line", 0x4F, {"ok"}, keyPressAt(0, 0x4F) + charsAt(9, "ok\r\n")},
        {"command mode: backslash, text, line end, no key and no wait",
         kCommandModeKey,
         {"pose 58"},
         charsAt(0, "\\pose 58\r\n")},
        {"command mode, empty piece", kCommandModeKey, {""}, charsAt(0, "\x5C\x0D\x0A")},
        {"chat, empty piece: key, wait, line end only", 0x50, {""}, keyPressAt(0, 0x50) + charsAt(9, "\r\n")},
        {"chat, two pieces each get key, wait and text",
         0x50,
         {"a", "bc"},
         keyPressAt(0, 0x50) + charsAt(9, "a\r\n") + keyPressAt(9, 0x50) + charsAt(18, "bc\r\n")},
        {"command mode, two pieces at once", kCommandModeKey, {"a", "b"}, charsAt(0, "\\a\r\n\\b\r\n")},
        {"two-byte characters go out lead byte first",
         0x4F,
         {"\xCA\xBE\xC0\xFD\x31"},  // 示例1
         keyPressAt(0, 0x4F) + charsAt(9, "\xCA\xBE\xC0\xFD\x31\r\n")},
        {"a trail byte of 0x5C is sent as it is, not as a command prefix",
         kCommandModeKey,
         {"\xD5\x5C"},  // 誠
         charsAt(0, "\\\xD5\x5C\r\n")},
        {"no pieces send nothing", 0x50, {}, {}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        RecordingWindowSystem ws;
        GameWindowFinder finder(ws);
        GameInputPoster poster(ws, finder);
        const auto game = ws.addGame();

        poster.sendPieces(c.key, c.pieces);

        EXPECT_EQ(ws.received(game.main), c.expected);
        EXPECT_TRUE(ws.received(game.popup).empty());
        EXPECT_EQ(ws.countOf<call::TakeSnapshot>(), 2u) << "one lookup: a process and a thread snapshot";
        EXPECT_TRUE(ws.openHandles().empty());
    }
}

TEST_F(GameInputPosterTest, WithoutTheGameEachChatLineStillWaitsAndNothingIsPosted) {
    ws_.addProcess("explorer.exe");

    poster_.sendPieces(0x50, {"a", "", "b"});

    EXPECT_EQ(ws_.countOf<call::Post>(), 0u) << "no key and no character message, not even to no window";
    EXPECT_EQ(ws_.callsOf<call::ArmTimer>().size(), 3u);
    EXPECT_EQ(ws_.nowMs(), 27);
    EXPECT_TRUE(ws_.threadMessages().empty());
}

TEST_F(GameInputPosterTest, WithoutTheGameCommandModePostsNothing) {
    poster_.sendPieces(kCommandModeKey, {"a", "b"});

    EXPECT_EQ(ws_.countOf<call::Post>(), 0u);
    EXPECT_EQ(ws_.nowMs(), 0);
}

TEST_F(GameInputPosterTest, LooksTheGameUpOnceAndKeepsItsWindowForEveryLine) {
    const auto game = ws_.addGame();
    // The game goes away during the first line's wait and another one starts: the rest of
    // the sentence still goes to the window found at the start.
    ws_.at(4, [&] {
        ws_.endProcess(game.processId);
        ws_.addGame();
    });

    poster_.sendPieces(0x50, {"a", "b"});

    EXPECT_EQ(ws_.callsOf<call::Post>(),
              (Calls{call::Post{game.main, kWmKeyDown, 0x50, 0}, call::Post{game.main, kWmKeyUp, 0x50, 0},
                     call::Post{game.main, kWmChar, 'a', 0}, call::Post{game.main, kWmChar, '\r', 0},
                     call::Post{game.main, kWmChar, '\n', 0}, call::Post{game.main, kWmKeyDown, 0x50, 0},
                     call::Post{game.main, kWmKeyUp, 0x50, 0}, call::Post{game.main, kWmChar, 'b', 0},
                     call::Post{game.main, kWmChar, '\r', 0}, call::Post{game.main, kWmChar, '\n', 0}}));
    EXPECT_EQ(ws_.received(game.main), keyPressAt(0, 0x50)) << "posts to the vanished window fail";
}

TEST_F(GameInputPosterTest, PumpingWaitArmsOneRelativeTimerAndClosesIt) {
    poster_.pumpingWait(9);

    const KernelHandle timer = std::get<call::ArmTimer>(ws_.callsOf<call::ArmTimer>().at(0)).timer;
    const Calls got =
        ws_.callsOf<call::CreateTimer, call::ArmTimer, call::WaitForInput, call::PumpMessages, call::Close>();
    EXPECT_EQ(got, (Calls{call::CreateTimer{}, call::ArmTimer{timer, -90000},
                          call::WaitForInput{{timer}, kInfinite, 0xFF}, call::Close{timer}}));
    EXPECT_EQ(ws_.nowMs(), 9);
}

TEST_F(GameInputPosterTest, PumpingWaitDispatchesWhatArrivesBeforeTheTimerFires) {
    const WindowHandle badge = ws_.addOwnWindow();
    ASSERT_TRUE(ws_.registerHotKey(badge, 3, 0, 0x64));
    ws_.at(2, [&] { ws_.postToUi(badge, kWmTimer, 1, 0); });
    ws_.at(4, [&] { ws_.pressKey(0x64); });
    ws_.at(12, [&] { ws_.postToUi(badge, kWmUser, 0, 0); });

    poster_.pumpingWait(9);

    EXPECT_EQ(ws_.delivered(badge), (Messages{{2, kWmTimer, 1, 0}, {4, kWmHotkey, 3, 0x64 << 16}}))
        << "each message is dispatched when it arrives, the one after the wait is not";
    EXPECT_EQ(ws_.nowMs(), 9);
    EXPECT_EQ(ws_.queued(), 0u);
}

struct FallbackCase {
    const char* name;
    void (RecordingWindowSystem::*fail)(bool);
};

TEST_F(GameInputPosterTest, PumpingWaitWithoutAWorkingTimerStillWaitsAndDispatches) {
    const FallbackCase kCases[] = {
        {"the timer cannot be created", &RecordingWindowSystem::failTimerCreation},
        {"the timer cannot be armed", &RecordingWindowSystem::failTimerArming},
        {"the wait on the timer fails", &RecordingWindowSystem::failTimerWaits},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        RecordingWindowSystem ws;
        GameWindowFinder finder(ws);
        GameInputPoster poster(ws, finder);
        const WindowHandle badge = ws.addOwnWindow();
        (ws.*c.fail)(true);
        ws.at(3, [&] { ws.postToUi(badge, kWmUser, 7, 0); });
        ws.at(6, [&] { ws.postToUi(badge, kWmUser, 8, 0); });

        poster.pumpingWait(9);

        EXPECT_GE(ws.nowMs(), 9);
        EXPECT_LE(ws.nowMs(), 10);
        EXPECT_EQ(ws.delivered(badge), (Messages{{3, kWmUser, 7, 0}, {6, kWmUser, 8, 0}}));
        EXPECT_TRUE(ws.openHandles().empty());
        EXPECT_EQ(ws.badCloses(), 0) << "a handle that was never created is not closed";
    }
}

TEST_F(GameInputPosterTest, AChatSendWithoutATimerStillKeepsTheGap) {
    const auto game = ws_.addGame();
    ws_.failTimerCreation(true);

    poster_.sendPieces(0x50, {"x"});

    const auto& got = ws_.received(game.main);
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[1].message, kWmKeyUp);
    EXPECT_EQ(got[2].message, kWmChar);
    EXPECT_GE(got[2].atMs - got[1].atMs, 9);
}

TEST_F(GameInputPosterTest, SimulateKeyPressSendsDownAndUpWithTheScanCode) {
    const auto scan = static_cast<std::uint8_t>(ws_.mapVirtualKey(0x24, kMapVkToVsc));
    ws_.clearCalls();

    poster_.simulateKeyPress(0x24);

    EXPECT_EQ(ws_.calls(), (Calls{call::MapKey{0x24, kMapVkToVsc}, call::KeyEvent{0x24, scan, 0},
                                  call::KeyEvent{0x24, scan, kKeyEventKeyUp}}));
}

TEST_F(GameInputPosterTest, SimulatedPressReachesOurHotkey) {
    const WindowHandle badge = ws_.addOwnWindow();
    ASSERT_TRUE(ws_.registerHotKey(badge, 1, 0, 0x24));

    poster_.simulateKeyPress(0x24);
    ws_.dispatchQueued();

    ASSERT_EQ(ws_.delivered(badge).size(), 1u);
    EXPECT_EQ(ws_.delivered(badge)[0].message, kWmHotkey);
    EXPECT_EQ(ws_.delivered(badge)[0].wParam, 1u);
}

TEST_F(GameInputPosterTest, PostsNothingToNoWindow) {
    poster_.postKeyPress(kNoWindow, 0x50);
    poster_.postChars(kNoWindow, "abc");

    EXPECT_EQ(ws_.countOf<call::Post>(), 0u);
}

TEST_F(GameInputPosterTest, PostCharsZeroExtendsEveryByte) {
    const auto game = ws_.addGame();

    poster_.postChars(game.main, Text("\x80\xFF\x00", 3));

    EXPECT_EQ(ws_.received(game.main),
              (Messages{{0, kWmChar, 0x80, 0}, {0, kWmChar, 0xFF, 0}, {0, kWmChar, 0, 0}}));
}

}  // namespace
}  // namespace quelvin

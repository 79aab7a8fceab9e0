#include "delivery/slot_dispatcher.h"

#include <gtest/gtest.h>

#include "fake_slot_source.h"
#include "message_builders.h"
#include "recording_window_system.h"

namespace quelvin {
namespace {

class SlotDispatcherTest : public ::testing::Test {
protected:
    SlotDispatcherTest() {
        // The badge window runs a slot trigger for each hotkey message, as the hotkey
        // registry's hook does.
        badge_ = ws_.addOwnWindow([this](MessageId message, WParam wParam, LParam) {
            if (message == kWmHotkey) {
                dispatcher_.onSlotHotkey(static_cast<int>(wParam));
            }
        });
    }

    void TearDown() override {
        EXPECT_FALSE(dispatcher_.busy());
        EXPECT_TRUE(ws_.openHandles().empty());
    }

    RecordingWindowSystem ws_;
    RecordingWindowSystem::Game game_ = ws_.addGame();
    WindowHandle badge_ = kNoWindow;
    GameWindowFinder finder_{ws_};
    GameInputPoster poster_{ws_, finder_};
    FakeSlotSource slots_;
    SlotDispatcher dispatcher_{slots_, poster_};
};

struct SentenceCase {
    const char* name;
    Text text;
    KeyMode mode;
    Messages expected;
};

TEST_F(SlotDispatcherTest, SendsTheSentenceLineByLineInItsMode) {
    const SentenceCase kCases[] = {
        {"chat via P", "hi", kKeyModeChatP, keyPressAt(0, 0x50) + charsAt(9, "hi\r\n")},
        {"chat via O", "hi", kKeyModeChatO, keyPressAt(0, 0x4F) + charsAt(9, "hi\r\n")},
        {"command", "hi", kKeyModeCommand, charsAt(0, "\\hi\r\n")},
        {"';' sends one empty line", ";", kKeyModeChatP, keyPressAt(0, 0x50) + charsAt(9, "\r\n")},
        {"';;' sends two empty lines", ";;", kKeyModeChatP,
         keyPressAt(0, 0x50) + charsAt(9, "\r\n") + keyPressAt(9, 0x50) + charsAt(18, "\r\n")},
        {"'a;' sends one line", "a;", kKeyModeChatP, keyPressAt(0, 0x50) + charsAt(9, "a\r\n")},
        {"'a;;b' sends three lines, the middle one empty", "a;;b", kKeyModeChatP,
         keyPressAt(0, 0x50) + charsAt(9, "a\r\n") + keyPressAt(9, 0x50) + charsAt(18, "\r\n") +
             keyPressAt(18, 0x50) + charsAt(27, "b\r\n")},
        {"';' after a lead byte does not split", "\xB0;A", kKeyModeCommand, charsAt(0, "\\\xB0;A\r\n")},
        {"command lines each get their backslash", "a;b", kKeyModeCommand, charsAt(0, "\\a\r\n\\b\r\n")},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        RecordingWindowSystem ws;
        const auto game = ws.addGame();
        GameWindowFinder finder(ws);
        GameInputPoster poster(ws, finder);
        FakeSlotSource slots;
        SlotDispatcher dispatcher(slots, poster);
        slots.set(4, c.text, c.mode);

        dispatcher.onSlotHotkey(4);

        EXPECT_EQ(ws.received(game.main), c.expected);
        EXPECT_FALSE(dispatcher.busy());
    }
}

TEST_F(SlotDispatcherTest, EachSlotReadsItsOwnRow) {
    for (int k = 1; k <= kSlotCount; ++k) {
        slots_.set(k, Text(1, static_cast<char>('a' + k - 1)), kKeyModeCommand);
    }
    for (int k = 1; k <= kSlotCount; ++k) {
        SCOPED_TRACE(k);
        const std::size_t before = ws_.received(game_.main).size();
        dispatcher_.onSlotHotkey(k);
        const Messages got(ws_.received(game_.main).begin() + static_cast<std::ptrdiff_t>(before),
                           ws_.received(game_.main).end());
        EXPECT_EQ(got, charsAt(0, "\\" + Text(1, static_cast<char>('a' + k - 1)) + "\r\n"));
    }
}

TEST_F(SlotDispatcherTest, AnEmptySentenceDoesNothingAtAll) {
    slots_.set(2, "", kKeyModeChatP);

    dispatcher_.onSlotHotkey(2);

    EXPECT_TRUE(ws_.calls().empty()) << "not even a game lookup";
}

TEST_F(SlotDispatcherTest, NoKeySelectionSendsNothingAndLaterPressesWork) {
    slots_.set(3, "lost", kKeyModeNone);
    slots_.set(1, "ok", kKeyModeCommand);

    dispatcher_.onSlotHotkey(3);
    EXPECT_FALSE(dispatcher_.busy());
    EXPECT_EQ(ws_.countOf<call::Post>(), 0u);

    dispatcher_.onSlotHotkey(3);
    dispatcher_.onSlotHotkey(1);
    EXPECT_EQ(ws_.received(game_.main), charsAt(0, "\\ok\r\n"));
}

TEST_F(SlotDispatcherTest, AnOutOfRangeKeySelectionSendsNothing) {
    for (const KeyMode mode : {3, 7, -2}) {
        SCOPED_TRACE(mode);
        slots_.set(1, "x", mode);
        dispatcher_.onSlotHotkey(1);
        EXPECT_FALSE(dispatcher_.busy());
    }
    EXPECT_EQ(ws_.countOf<call::Post>(), 0u);
}

struct NestedCase {
    const char* name;
    int nestedSlot;
};

TEST_F(SlotDispatcherTest, APressDuringTheWaitIsDroppedNotQueued) {
    const NestedCase kCases[] = {
        {"another slot", 5},
        {"the same slot", 1},
        {"an empty slot", 7},
        {"a slot without key selection", 9},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        RecordingWindowSystem ws;
        const auto game = ws.addGame();
        GameWindowFinder finder(ws);
        GameInputPoster poster(ws, finder);
        FakeSlotSource slots;
        SlotDispatcher dispatcher(slots, poster);
        const WindowHandle badge = ws.addOwnWindow([&](MessageId message, WParam wParam, LParam) {
            if (message == kWmHotkey) {
                dispatcher.onSlotHotkey(static_cast<int>(wParam));
                EXPECT_TRUE(dispatcher.busy()) << "a nested press must not end the send in progress";
            }
        });
        slots.set(1, "hi", kKeyModeChatP);
        slots.set(5, "yo", kKeyModeChatO);
        slots.set(9, "no", kKeyModeNone);
        // The player presses the slot's key 4 ms into slot 1's wait.
        ws.at(4, [&] { ws.postToUi(badge, kWmHotkey, static_cast<WParam>(c.nestedSlot), 0); });

        dispatcher.onSlotHotkey(1);

        EXPECT_EQ(ws.delivered(badge).size(), 1u) << "the press was dispatched inside the wait";
        EXPECT_EQ(ws.received(game.main), keyPressAt(0, 0x50) + charsAt(9, "hi\r\n"));
        EXPECT_FALSE(dispatcher.busy());
    }
}

TEST_F(SlotDispatcherTest, IsBusyExactlyWhileTheSendRuns) {
    slots_.set(1, "a;b", kKeyModeChatP);
    std::vector<bool> seen;
    for (const int t : {4, 13}) {
        ws_.at(t, [&] { seen.push_back(dispatcher_.busy()); });
    }

    EXPECT_FALSE(dispatcher_.busy());
    dispatcher_.onSlotHotkey(1);

    EXPECT_EQ(seen, (std::vector<bool>{true, true}));
    EXPECT_FALSE(dispatcher_.busy());
    EXPECT_EQ(ws_.nowMs(), 18);
}

TEST_F(SlotDispatcherTest, ReadsTheRowAtEachPress) {
    slots_.set(3, "old", kKeyModeCommand);
    dispatcher_.onSlotHotkey(3);
    slots_.setText(3, "new");
    dispatcher_.onSlotHotkey(3);
    slots_.setKeyMode(3, kKeyModeChatO);
    dispatcher_.onSlotHotkey(3);

    EXPECT_EQ(ws_.received(game_.main), charsAt(0, "\\old\r\n") + charsAt(0, "\\new\r\n") +
                                            keyPressAt(0, 0x4F) + charsAt(9, "new\r\n"));
}

TEST_F(SlotDispatcherTest, ACommandSendDispatchesNothing) {
    slots_.set(1, "a;b;c", kKeyModeCommand);
    ws_.postToUi(badge_, kWmUser, 0, 0);

    dispatcher_.onSlotHotkey(1);

    EXPECT_EQ(ws_.countOf<call::PumpMessages>(), 0u);
    EXPECT_EQ(ws_.queued(), 1u);
    EXPECT_EQ(ws_.nowMs(), 0);
}

}  // namespace
}  // namespace quelvin

#include "delivery/game_window_finder.h"

#include <gtest/gtest.h>

#include "recording_window_system.h"

namespace quelvin {
namespace {

using World = RecordingWindowSystem;

// 丄: a two-byte character whose trail byte is 'A'.
const Text kTrailA = "\x81\x41";

struct FinderCase {
    const char* name;
    // Builds the processes and windows, and answers the window the finder must return.
    std::function<WindowHandle(World&)> build;
    Text exeName = "Meteor.exe";
};

TEST(GameWindowFinder, FindsTheGameWindowByTheRules) {
    const FinderCase kCases[] = {
        {"the game's main window, reached from its pop-up", [](World& w) { return w.addGame().main; }},
        {"image name in capitals", [](World& w) { return w.addGame("METEOR.EXE").main; }},
        {"image name in mixed case", [](World& w) { return w.addGame("meteor.Exe").main; }},
        {"asked for in capitals", [](World& w) { return w.addGame().main; }, "METEOR.exe"},
        {"no such process",
         [](World& w) {
             w.addGame("Meteor2.exe");
             w.addGame("Meteor.exe.bak");
             w.addGame("xMeteor.exe");
             return kNoWindow;
         }},
        {"other processes come first",
         [](World& w) {
             w.addGame("explorer.exe");
             return w.addGame().main;
         }},
        {"of two game processes only the first counts, even when it has no window",
         [](World& w) {
             const auto first = w.addProcess("Meteor.exe");
             w.addThread(first);
             w.addGame();
             return kNoWindow;
         }},
        {"of two game processes the first one's window is returned",
         [](World& w) {
             const auto first = w.addGame().main;
             w.addGame();
             return first;
         }},
        {"a chain of pop-ups leads to the top owner: P2 -> P1 -> W",
         [](World& w) {
             const auto pid = w.addProcess("Meteor.exe");
             const auto tid = w.addThread(pid);
             const auto p2 = w.addWindow(tid);
             const auto main = w.addWindow(tid);
             const auto p1 = w.addWindow(tid, main, true);
             w.setOwner(p2, p1, true);
             return main;
         }},
        {"only unowned windows",
         [](World& w) {
             const auto tid = w.addThread(w.addProcess("Meteor.exe"));
             w.addWindow(tid);
             w.addWindow(tid);
             return kNoWindow;
         }},
        {"owned windows without the pop-up style",
         [](World& w) {
             const auto tid = w.addThread(w.addProcess("Meteor.exe"));
             const auto main = w.addWindow(tid);
             w.addWindow(tid, main, false);
             return kNoWindow;
         }},
        {"only the first thread is looked at",
         [](World& w) {
             const auto pid = w.addProcess("Meteor.exe");
             const auto first = w.addThread(pid);
             const auto second = w.addThread(pid);
             w.addWindow(first);
             const auto main = w.addWindow(second);
             w.addWindow(second, main, true);
             return kNoWindow;
         }},
        {"threads of other processes before the game's first thread",
         [](World& w) {
             const auto other = w.addProcess("other.exe");
             const auto pid = w.addProcess("Meteor.exe");
             w.addThread(other);
             const auto tid = w.addThread(pid);
             const auto main = w.addWindow(tid);
             w.addWindow(tid, main, true);
             return main;
         }},
        {"the first owned pop-up decides",
         [](World& w) {
             const auto tid = w.addThread(w.addProcess("Meteor.exe"));
             const auto a = w.addWindow(tid);
             const auto b = w.addWindow(tid);
             w.addWindow(tid, b, true);
             w.addWindow(tid, a, true);
             return b;
         }},
        {"the game has exited",
         [](World& w) {
             w.endProcess(w.addGame().processId);
             return kNoWindow;
         }},
        {"a GBK character is not folded inside: its trail byte 'A' stays upper case",
         [](World& w) {
             w.addGame(kTrailA + ".exe");
             return kNoWindow;
         },
         "\x81\x61.exe"},  // another character: 丄 with its trail byte folded
        {"ASCII after a GBK character is still folded",
         [](World& w) { return w.addGame(kTrailA + ".exe").main; }, kTrailA + ".EXE"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        World ws;
        const WindowHandle expected = c.build(ws);
        GameWindowFinder finder(ws);

        EXPECT_EQ(finder.findGameWindow(c.exeName), expected);
        EXPECT_TRUE(ws.openHandles().empty()) << "every snapshot is closed";
        EXPECT_EQ(ws.badCloses(), 0);
    }
}

TEST(GameWindowFinder, StopsAtTheFirstMatchingProcessAndItsFirstThread) {
    World ws;
    const auto game = ws.addGame();
    ws.addGame();
    ws.addProcess("later.exe");
    GameWindowFinder finder(ws);

    EXPECT_EQ(finder.findGameWindow("Meteor.exe"), game.main);

    // Our own process, then the game: one "first" and one "next" step, nothing after.
    const Calls walks = ws.callsOf<call::WalkProcesses>();
    EXPECT_EQ(walks.size(), 2u);
    EXPECT_EQ(ws.callsOf<call::EnumerateWindows>(), (Calls{call::EnumerateWindows{game.threadId}}));
    EXPECT_EQ(ws.callsOf<call::TakeSnapshot>(),
              (Calls{call::TakeSnapshot{kTh32csSnapAll, 0}, call::TakeSnapshot{kTh32csSnapThread, 0}}));
}

TEST(GameWindowFinder, AFailedSnapshotMeansNoGameAndNothingToClose) {
    World ws;
    ws.addGame();
    ws.failSnapshots(true);
    GameWindowFinder finder(ws);

    EXPECT_EQ(finder.findGameWindow("Meteor.exe"), kNoWindow);
    EXPECT_EQ(ws.countOf<call::Close>(), 0u);
}

TEST(GameWindowFinder, AnOwnerLoopEndsTheWalk) {
    // Windows keeps owners free of loops, but the windows belong to another program and the
    // UI thread must not be held by them.
    World ws;
    const auto tid = ws.addThread(ws.addProcess("Meteor.exe"));
    const auto a = ws.addWindow(tid);
    const auto b = ws.addWindow(tid, a, true);
    ws.setOwner(a, b, true);
    GameWindowFinder finder(ws);

    const WindowHandle found = finder.findGameWindow("Meteor.exe");

    EXPECT_TRUE(found == a || found == b);
    EXPECT_TRUE(ws.openHandles().empty());
}

TEST(AsciiLower, FoldsOnlyAsciiLettersOutsideTwoByteCharacters) {
    struct Case {
        const char* name;
        Text input;
        Text lowered;
    };
    const Case kCases[] = {
        {"ASCII letters", "METEOR.EXE", "meteor.exe"},
        {"digits and signs stay", "A-1_Z.@[", "a-1_z.@["},
        {"trail byte in A-Z stays", kTrailA, kTrailA},
        {"letters after a character fold", kTrailA + "B", kTrailA + "b"},
        {"lone lead byte at the end", "X\x81", "x\x81"},
        {"high bytes themselves stay", "\xC4\xE3\x51", "\xC4\xE3\x71"},  // 你Q, 你q
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(asciiLower(c.input), c.lowered);
    }
}

}  // namespace
}  // namespace quelvin

#include "hotkeys/hotkey_registry.h"

#include <gtest/gtest.h>

#include <string>

#include "message_builders.h"
#include "recording_window_system.h"

namespace quelvin {
namespace {

constexpr std::uint32_t kHome = 0x24;
constexpr std::uint32_t kEnd = 0x23;
constexpr std::uint32_t kKeypad0 = 0x60;
constexpr std::uint32_t kKeypad1 = 0x61;

class HotkeyRegistryTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(ws_.misroutes(), 0) << "a message reached no procedure";
        EXPECT_EQ(registry_.table().size(), static_cast<std::size_t>(registry_.count()));
    }

    // A callback that notes its name when it runs.
    HotkeyRegistry::Callback note(std::string name) {
        return [this, name] { ran_.push_back(name); };
    }

    // A hotkey message as the system posts it, dispatched by the main loop.
    void hotkeyMessage(WParam id) {
        ws_.postToUi(badge_, kWmHotkey, id, 0);
        ws_.dispatchQueued();
    }

    bool hooked() const { return ws_.installedProcedure(badge_) == RecordingWindowSystem::kHookValue; }

    RecordingWindowSystem ws_;
    WindowHandle badge_ = ws_.addOwnWindow();
    HotkeyRegistry registry_{ws_, [this] { return badge_; }};
    std::vector<std::string> ran_;
};

TEST_F(HotkeyRegistryTest, HandsOutIdsByCountingAndStartsAgainAfterUnregisterAll) {
    EXPECT_EQ(registry_.registerHotkey(kHome, note("home")), 1);
    EXPECT_EQ(registry_.registerHotkey(kKeypad0, note("k0")), 2);
    EXPECT_EQ(registry_.registerHotkey(kEnd, note("end")), 3);
    EXPECT_EQ(ws_.ourHotkeys(), (std::vector<HotkeyRegistration>{
                                    {badge_, 1, kHome}, {badge_, 2, kKeypad0}, {badge_, 3, kEnd}}));

    EXPECT_EQ(registry_.unregisterAll(), 1);
    EXPECT_TRUE(ws_.ourHotkeys().empty());
    EXPECT_EQ(registry_.count(), 0);

    EXPECT_EQ(registry_.registerHotkey(kHome, note("new home")), 1);
    hotkeyMessage(1);
    EXPECT_EQ(ran_, (std::vector<std::string>{"new home"})) << "the new callback, not the one before";
}

TEST_F(HotkeyRegistryTest, AFailedRegistrationLeavesItsIdToTheNextKey) {
    ws_.holdKeyElsewhere(kKeypad0);

    EXPECT_EQ(registry_.registerHotkey(kHome, note("home")), 1);
    EXPECT_EQ(registry_.registerHotkey(kKeypad0, note("k0")), 0);
    EXPECT_EQ(registry_.registerHotkey(kKeypad1, note("k1")), 2);
    EXPECT_EQ(registry_.count(), 2);

    hotkeyMessage(2);
    EXPECT_EQ(ran_, (std::vector<std::string>{"k1"}));
}

TEST_F(HotkeyRegistryTest, RegisteringTheSameKeyTwiceFails) {
    EXPECT_EQ(registry_.registerHotkey(kHome, note("a")), 1);
    EXPECT_EQ(registry_.registerHotkey(kHome, note("b")), 0);
    EXPECT_EQ(registry_.count(), 1);
    EXPECT_EQ(registry_.window(), badge_);
}

struct StrayCase {
    const char* name;
    MessageId message;
    WParam wParam;
};

TEST_F(HotkeyRegistryTest, MessagesWithoutATableEntryRunNothingAndAreStillPassedOn) {
    const StrayCase kCases[] = {
        {"id 0", kWmHotkey, 0},
        {"id -1, a system hotkey", kWmHotkey, static_cast<WParam>(-1)},
        {"id -2, a system hotkey", kWmHotkey, static_cast<WParam>(-2)},
        {"id past the table", kWmHotkey, 3},
        {"largest id", kWmHotkey, 0x7FFFFFFF},
        {"not a hotkey message", kWmUser, 1},
        {"a timer message", kWmTimer, 2},
    };
    registry_.registerHotkey(kHome, note("home"));
    registry_.registerHotkey(kEnd, note("end"));
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        const std::size_t before = ws_.delivered(badge_).size();

        ws_.postToUi(badge_, c.message, c.wParam, 5);
        ws_.dispatchQueued();

        EXPECT_TRUE(ran_.empty());
        ASSERT_EQ(ws_.delivered(badge_).size(), before + 1);
        EXPECT_EQ(ws_.delivered(badge_).back(), (Received{0, c.message, c.wParam, 5}));
    }
}

TEST_F(HotkeyRegistryTest, HotkeyMessagesReachTheWindowsOwnProcedureAfterTheirCallback) {
    registry_.registerHotkey(kHome, [this] {
        ran_.push_back("home");
        EXPECT_TRUE(ws_.delivered(badge_).empty()) << "the callback runs first";
    });

    hotkeyMessage(1);

    EXPECT_EQ(ran_.size(), 1u);
    EXPECT_EQ(ws_.delivered(badge_), (Messages{{0, kWmHotkey, 1, 0}}));
}

TEST_F(HotkeyRegistryTest, HooksTheWindowExactlyWhileAHotkeyIsLive) {
    const WindowProcedure own = ws_.ownProcedure(badge_);
    EXPECT_FALSE(hooked());

    registry_.registerHotkey(kHome, note("home"));
    EXPECT_TRUE(hooked());
    EXPECT_EQ(registry_.savedProc(), own);
    registry_.registerHotkey(kEnd, note("end"));
    EXPECT_EQ(ws_.countOf<call::SwapProcedure>(), 1u) << "hooked once, by the first registration";

    registry_.unregisterAll();
    EXPECT_FALSE(hooked());
    EXPECT_EQ(ws_.installedProcedure(badge_), own);

    registry_.registerHotkey(kHome, note("home"));
    EXPECT_TRUE(hooked());
    EXPECT_EQ(registry_.savedProc(), own);
}

TEST_F(HotkeyRegistryTest, UnregisterAllWithNothingLiveStillDrainsAndChangesNothing) {
    // Once before any registration (no window yet), once after a finished cycle.
    for (const bool afterACycle : {false, true}) {
        SCOPED_TRACE(afterACycle ? "after a cycle" : "before any registration");
        if (afterACycle) {
            registry_.registerHotkey(kHome, note("home"));
            registry_.unregisterAll();
        }
        ws_.postToUi(badge_, kWmUser, 9, 0);
        ws_.clearCalls();

        EXPECT_EQ(registry_.unregisterAll(), 1);

        EXPECT_EQ(ws_.delivered(badge_).back(), (Received{0, kWmUser, 9, 0}))
            << "queued messages are dispatched";
        EXPECT_EQ(ws_.countOf<call::UnregisterKey>(), 0u);
        EXPECT_EQ(registry_.count(), 0);
        EXPECT_EQ(ws_.installedProcedure(badge_), ws_.ownProcedure(badge_));
    }
}

TEST_F(HotkeyRegistryTest, NeverInstallsANullProcedureWhenNoneWasSaved) {
    // Another program holds Home whenever we try: the window is known, no procedure saved.
    ws_.holdKeyElsewhere(kHome);
    EXPECT_EQ(registry_.registerHotkey(kHome, note("home")), 0);
    EXPECT_EQ(registry_.window(), badge_);
    EXPECT_EQ(registry_.savedProc(), std::nullopt);

    registry_.unregisterAll();

    EXPECT_EQ(ws_.countOf<call::SwapProcedure>(), 0u);
    EXPECT_EQ(ws_.installedProcedure(badge_), ws_.ownProcedure(badge_));
    ws_.postToUi(badge_, kWmUser, 0, 0);
    ws_.dispatchQueued();
    EXPECT_EQ(ws_.delivered(badge_).size(), 1u) << "the window still works";
}

TEST_F(HotkeyRegistryTest, UnregisterAllReadsTheCountAfterTheDrain) {
    // End's callback, run by the drain, unregisters everything and registers Home afresh.
    registry_.registerHotkey(kHome, note("home"));
    registry_.registerHotkey(kEnd, [this] {
        registry_.unregisterAll();
        registry_.registerHotkey(kHome, note("fresh home"));
    });
    ws_.postToUi(badge_, kWmHotkey, 2, 0);
    ws_.clearCalls();

    registry_.unregisterAll();

    EXPECT_EQ(ws_.callsOf<call::UnregisterKey>(),
              (Calls{call::UnregisterKey{badge_, 1}, call::UnregisterKey{badge_, 2},  // inside End's callback
                     call::UnregisterKey{badge_, 1}}));                               // the fresh Home
    EXPECT_TRUE(ws_.ourHotkeys().empty());
    EXPECT_EQ(registry_.count(), 0);
    EXPECT_FALSE(hooked());
}

TEST_F(HotkeyRegistryTest, EndsOwnMessageIsPassedOnAfterItsCallbackReplacedEverything) {
    registry_.registerHotkey(kHome, note("home"));
    registry_.registerHotkey(kEnd, [this] {
        registry_.unregisterAll();
        registry_.registerHotkey(kHome, note("fresh home"));
    });

    hotkeyMessage(2);

    EXPECT_EQ(ws_.delivered(badge_), (Messages{{0, kWmHotkey, 2, 0}}));
    EXPECT_EQ(ws_.ourHotkeys(), (std::vector<HotkeyRegistration>{{badge_, 1, kHome}}));
    EXPECT_TRUE(hooked());
    hotkeyMessage(1);
    EXPECT_EQ(ran_, (std::vector<std::string>{"fresh home"}));
}

TEST_F(HotkeyRegistryTest, AStaleIdQueuedBeforeARestartRunsNothing) {
    // A key pressed between the drain and its unregistration stays queued with its old id;
    // by the time it is dispatched, only Home (id 1) is live again.
    for (int i = 0; i < 5; ++i) {
        registry_.registerHotkey(kKeypad0 + static_cast<std::uint32_t>(i), note("k" + std::to_string(i)));
    }
    registry_.unregisterAll();
    ws_.postToUi(badge_, kWmHotkey, 4, 0);
    registry_.registerHotkey(kHome, note("home"));

    ws_.dispatchQueued();

    EXPECT_TRUE(ran_.empty());
    EXPECT_EQ(ws_.delivered(badge_), (Messages{{0, kWmHotkey, 4, 0}}));
}

}  // namespace
}  // namespace quelvin

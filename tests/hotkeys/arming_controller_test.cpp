#include "hotkeys/arming_controller.h"

#include <gtest/gtest.h>

#include "message_builders.h"
#include "wired_program.h"

namespace quelvin {
namespace {

constexpr std::uint32_t kKeypad(int i) { return kVkNumpad0 + static_cast<std::uint32_t>(i); }

const std::vector<std::uint32_t> kAllArmedKeys = {0x24, 0x60, 0x61, 0x62, 0x63, 0x64,
                                                  0x65, 0x66, 0x67, 0x68, 0x69, 0x23};

class ArmingControllerTest : public ::testing::Test {
protected:
    ArmingControllerTest() {
        for (int k = 1; k <= kSlotCount; ++k) {
            p_.slots.set(k, "s" + std::to_string(k), kKeyModeCommand);
        }
    }

    void TearDown() override {
        EXPECT_EQ(p_.ws.misroutes(), 0);
        EXPECT_TRUE(p_.ws.openHandles().empty());
        EXPECT_FALSE(p_.dispatcher.busy());
        EXPECT_EQ(p_.hooked(), p_.registry.count() >= 1);
    }

    // Game found, Home pressed by the tick, the main loop arms.
    RecordingWindowSystem::Game startGameAndArm() {
        const auto game = p_.ws.addGame();
        p_.tick();
        return game;
    }

    Program p_;
};

TEST_F(ArmingControllerTest, AWholeArmingCycle) {
    p_.ws.addGame();

    p_.arming.onTimerTick();
    EXPECT_EQ(p_.ws.ourHotkeys(), p_.registrations({kVkHome}));
    EXPECT_TRUE(p_.arming.armed());
    EXPECT_EQ(p_.ws.countOf<call::KeyEvent>(), 2u) << "one synthetic Home press, down and up";
    EXPECT_EQ(p_.badge.current(), BadgeImage::GameNotRunning) << "on only once Home arrives";

    p_.ws.dispatchQueued();
    EXPECT_EQ(p_.ws.ourHotkeys(), p_.registrations(kAllArmedKeys)) << "Home 1, keypad 0-9 2-11, End 12";
    EXPECT_EQ(p_.badge.current(), BadgeImage::HotkeysOn);

    p_.press(kVkEnd);
    EXPECT_EQ(p_.ws.ourHotkeys(), p_.registrations({kVkHome})) << "a fresh Home with id 1";
    EXPECT_EQ(p_.badge.current(), BadgeImage::HotkeysOff);
    EXPECT_TRUE(p_.arming.armed());

    p_.press(kVkHome);
    EXPECT_EQ(p_.ws.ourHotkeys(), p_.registrations(kAllArmedKeys)) << "the new Home callback arms";
    EXPECT_EQ(p_.badge.current(), BadgeImage::HotkeysOn);
}

TEST_F(ArmingControllerTest, EachKeypadKeySendsItsSlot) {
    const auto game = startGameAndArm();
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        const std::size_t before = p_.ws.received(game.main).size();
        p_.press(kKeypad(i));
        const Messages got(p_.ws.received(game.main).begin() + static_cast<std::ptrdiff_t>(before),
                           p_.ws.received(game.main).end());
        EXPECT_EQ(got, charsAt(p_.ws.nowMs(), "\\s" + std::to_string(i + 1) + "\r\n"));
    }
}

TEST_F(ArmingControllerTest, EndThenKeypadSendsNothing) {
    const auto game = startGameAndArm();

    p_.press(kVkEnd);
    p_.press(kKeypad(0));

    EXPECT_TRUE(p_.ws.received(game.main).empty());
    EXPECT_EQ(p_.badge.current(), BadgeImage::HotkeysOff);
}

TEST_F(ArmingControllerTest, EndThenHomeThenKeypad9SendsSlot10) {
    const auto game = startGameAndArm();

    p_.press(kVkEnd);
    p_.press(kVkHome);
    p_.press(kKeypad(9));

    EXPECT_EQ(p_.ws.received(game.main), charsAt(0, "\\s10\r\n"));
}

TEST_F(ArmingControllerTest, HomeWhileOnChangesNothingButThePicture) {
    const auto game = startGameAndArm();
    p_.badge.clear();

    p_.press(kVkHome);

    EXPECT_EQ(p_.badge.shown(), (std::vector<BadgeImage>{BadgeImage::HotkeysOn}));
    EXPECT_EQ(p_.ws.ourHotkeys(), p_.registrations(kAllArmedKeys));
    p_.press(kKeypad(2));
    EXPECT_EQ(p_.ws.received(game.main), charsAt(0, "\\s3\r\n"));
}

TEST_F(ArmingControllerTest, TicksWhileTheGameRunsDoNothing) {
    startGameAndArm();
    p_.ws.clearCalls();
    p_.badge.clear();

    p_.tick();
    p_.tick();

    EXPECT_TRUE(p_.badge.shown().empty());
    EXPECT_EQ(p_.ws.countOf<call::RegisterKey>() + p_.ws.countOf<call::UnregisterKey>() +
                  p_.ws.countOf<call::KeyEvent>(),
              0u);
}

TEST_F(ArmingControllerTest, TheGameExitingDropsEveryHotkey) {
    const auto game = startGameAndArm();

    p_.ws.endProcess(game.processId);
    p_.tick();

    EXPECT_EQ(p_.badge.current(), BadgeImage::GameNotRunning);
    EXPECT_TRUE(p_.ws.ourHotkeys().empty());
    EXPECT_FALSE(p_.arming.armed());
    EXPECT_FALSE(p_.hooked());
    const std::size_t before = p_.ws.delivered(p_.badgeWindow).size();
    p_.press(kVkHome);
    p_.press(kKeypad(0));
    EXPECT_EQ(p_.ws.delivered(p_.badgeWindow).size(), before) << "the keys are ordinary keys again";
}

TEST_F(ArmingControllerTest, TheGameRestartingArmsAgainWithoutAKeyPressed) {
    const auto first = startGameAndArm();
    p_.ws.endProcess(first.processId);
    p_.tick();

    const auto second = p_.ws.addGame();
    p_.tick();

    EXPECT_EQ(p_.badge.current(), BadgeImage::HotkeysOn);
    EXPECT_EQ(p_.ws.ourHotkeys(), p_.registrations(kAllArmedKeys));
    p_.press(kKeypad(0));
    EXPECT_EQ(p_.ws.received(second.main), charsAt(0, "\\s1\r\n"));
}

TEST_F(ArmingControllerTest, AKeypadKeyHeldByAnotherProgramStaysDeadAlone) {
    p_.ws.holdKeyElsewhere(kKeypad(3));
    const auto game = startGameAndArm();

    EXPECT_EQ(p_.badge.current(), BadgeImage::HotkeysOn);
    EXPECT_EQ(p_.registry.count(), 11);
    p_.press(kKeypad(3));
    p_.press(kKeypad(4));

    EXPECT_EQ(p_.ws.pressesElsewhere(kKeypad(3)), 1);
    EXPECT_EQ(p_.ws.received(game.main), charsAt(0, "\\s5\r\n"));
    p_.press(kVkEnd);
    EXPECT_EQ(p_.ws.ourHotkeys(), p_.registrations({kVkHome})) << "End still works with its shifted id";
}

TEST_F(ArmingControllerTest, HomeHeldByAnotherProgramKeepsTheGameNotRunningPictureAndRetriesNextRun) {
    p_.ws.holdKeyElsewhere(kVkHome);
    const auto game = p_.ws.addGame();

    p_.tick();
    EXPECT_TRUE(p_.arming.armed());
    EXPECT_TRUE(p_.ws.ourHotkeys().empty());
    EXPECT_EQ(p_.ws.pressesElsewhere(kVkHome), 1) << "the synthetic press went to the other program";
    EXPECT_EQ(p_.badge.current(), BadgeImage::GameNotRunning);

    p_.tick();
    EXPECT_EQ(p_.ws.countOf<call::RegisterKey>(), 1u) << "no retry while the same game runs";

    p_.ws.endProcess(game.processId);
    p_.tick();
    EXPECT_EQ(p_.ws.installedProcedure(p_.badgeWindow), p_.ws.ownProcedure(p_.badgeWindow));

    p_.ws.releaseKeyElsewhere(kVkHome);
    p_.ws.addGame();
    p_.tick();
    EXPECT_EQ(p_.ws.countOf<call::RegisterKey>(), 1u + 12u);
    EXPECT_EQ(p_.badge.current(), BadgeImage::HotkeysOn);
}

TEST_F(ArmingControllerTest, AKeypadPressQueuedWhenTheGameGoesIsHandledByTheDrain) {
    const auto game = startGameAndArm();
    p_.ws.endProcess(game.processId);
    p_.ws.pressKey(kKeypad(0));  // queued, not dispatched yet

    p_.arming.onTimerTick();

    EXPECT_EQ(p_.slots.textReads(), (std::vector<int>{1})) << "slot 1 ran inside the drain";
    EXPECT_TRUE(p_.ws.ourHotkeys().empty());
    EXPECT_EQ(p_.badge.current(), BadgeImage::GameNotRunning);
}

TEST_F(ArmingControllerTest, AQueuedEndDrainedByTheGameAbsentTickLeavesHotkeysOffUntilTheNextTick) {
    const auto game = startGameAndArm();
    p_.ws.endProcess(game.processId);
    p_.ws.pressKey(kVkEnd);
    p_.badge.clear();

    p_.arming.onTimerTick();

    EXPECT_EQ(p_.badge.shown(),
              (std::vector<BadgeImage>{BadgeImage::GameNotRunning, BadgeImage::HotkeysOff}));
    EXPECT_TRUE(p_.ws.ourHotkeys().empty()) << "End's fresh Home was dropped by the same unregisterAll";
    EXPECT_FALSE(p_.arming.armed());

    p_.tick();
    EXPECT_EQ(p_.badge.current(), BadgeImage::GameNotRunning);
}

TEST_F(ArmingControllerTest, ATickInsideAChatSendDropsTheHotkeysAndTheSendCompletes) {
    const auto game = startGameAndArm();
    p_.slots.set(1, "a;b", kKeyModeChatP);
    p_.ws.at(4, [&] {
        p_.ws.endProcess(game.processId);
        p_.ws.postToUi(p_.badgeWindow, kWmTimer, 1, 0);
    });

    p_.press(kKeypad(0));

    EXPECT_TRUE(p_.ws.ourHotkeys().empty());
    EXPECT_EQ(p_.badge.current(), BadgeImage::GameNotRunning);
    EXPECT_EQ(p_.ws.countOf<call::Post>(), 10u) << "both lines were still posted";
    EXPECT_EQ(p_.ws.nowMs(), 18);
}

TEST_F(ArmingControllerTest, TheGameRunningAtStartIsArmedByTheFirstTick) {
    const auto game = p_.ws.addGame();

    // The badge window's creation runs one tick; then the main loop runs.
    p_.arming.onTimerTick();
    p_.ws.dispatchQueued();

    EXPECT_EQ(p_.badge.current(), BadgeImage::HotkeysOn);
    p_.press(kKeypad(0));
    EXPECT_EQ(p_.ws.received(game.main), charsAt(0, "\\s1\r\n"));
}

TEST_F(ArmingControllerTest, NoGameTicksShowTheGameNotRunningPictureEachTime) {
    p_.arming.onTimerTick();
    p_.arming.onTimerTick();

    EXPECT_EQ(p_.badge.shown(),
              (std::vector<BadgeImage>{BadgeImage::GameNotRunning, BadgeImage::GameNotRunning}));
    EXPECT_EQ(p_.ws.countOf<call::RegisterKey>(), 0u);
    EXPECT_EQ(p_.ws.countOf<call::SwapProcedure>(), 0u) << "no procedure was ever saved";
}

}  // namespace
}  // namespace quelvin

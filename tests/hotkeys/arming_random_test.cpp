// Hundreds of random steps of the whole hotkey cycle on the recording window system: ticks,
// the game coming and going, Home, End and keypad presses, keys taken by other programs,
// and all of these also happening inside the waits of chat sends in flight. After every
// step, and inside every wait, the registry and the busy flag must be in order.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>

#include "wired_program.h"

namespace quelvin {
namespace {

std::uint32_t seedToUse() {
    if (const char* text = std::getenv("QUELVIN_SEED"); text != nullptr && *text != '\0') {
        return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
    }
    return 20240611u;
}

class RandomRun {
public:
    explicit RandomRun(std::uint32_t seed) : rng_(seed) {
        p_.afterTick = [this](bool gameAbsent) {
            ++ticks_;
            if (gameAbsent) {
                ++ticksWithoutGame_;
                EXPECT_TRUE(p_.ws.ourHotkeys().empty())
                    << "a tick that found no game left hotkeys registered";
            }
        };
        for (int k = 1; k <= kSlotCount; ++k) {
            randomRow(k);
        }
    }

    void step(int index) {
        SCOPED_TRACE("step " + std::to_string(index));
        std::ostringstream what;
        const int action = pick(0, 9);
        switch (action) {
            case 0:
            case 1:
                what << "tick";
                p_.tick();
                break;
            case 2:
                what << toggleGame();
                break;
            case 3:
            case 4:
                what << "press " << pressRandomKey();
                p_.ws.dispatchQueued();
                break;
            case 5:
                what << toggleKeyElsewhere();
                break;
            case 6:
                what << "schedule events in the next 20 ms";
                scheduleEvents();
                break;
            case 7:
                what << "time passes";
                p_.ws.advance(pick(1, 30));
                p_.ws.dispatchQueued();
                break;
            case 8:
                what << "edit a row";
                randomRow(pick(1, kSlotCount));
                break;
            default:
                what << "press a keypad key";
                p_.ws.pressKey(kVkNumpad0 + static_cast<std::uint32_t>(pick(0, 9)));
                p_.ws.dispatchQueued();
                break;
        }
        SCOPED_TRACE(what.str());
        checkInvariants(/*insideASend=*/false);
    }

    void report() const {
        std::printf(
            "random run: %d ticks (%d without game), %d sends, %d events inside waits, %d arms seen\n",
            ticks_, ticksWithoutGame_, static_cast<int>(p_.ws.countOf<call::CreateTimer>()),
            eventsInsideWaits_, armsSeen_);
    }

    int ticks() const { return ticks_; }
    int ticksWithoutGame() const { return ticksWithoutGame_; }
    int eventsInsideWaits() const { return eventsInsideWaits_; }
    int armsSeen() const { return armsSeen_; }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

    void randomRow(int k) {
        static const Text kTexts[] = {"", "a", "a;b", ";", "x;;y", "\xCA\xBE\xC0\xFD"};  // ..., 示例
        static const KeyMode kModes[] = {kKeyModeChatP, kKeyModeChatO, kKeyModeCommand, kKeyModeNone};
        p_.slots.set(k, kTexts[pick(0, 5)], kModes[pick(0, 3)]);
    }

    std::string toggleGame() {
        if (game_) {
            p_.ws.endProcess(game_->processId);
            game_.reset();
            return "game exits";
        }
        game_ = p_.ws.addGame();
        return "game starts";
    }

    std::string pressRandomKey() {
        static const std::uint32_t kKeys[] = {kVkHome, kVkEnd, 0x60, 0x63, 0x69};
        const std::uint32_t vk = kKeys[pick(0, 4)];
        p_.ws.pressKey(vk);
        return std::to_string(vk);
    }

    std::string toggleKeyElsewhere() {
        static const std::uint32_t kKeys[] = {kVkHome, kVkEnd, 0x60, 0x65};
        const std::uint32_t vk = kKeys[pick(0, 3)];
        if (heldElsewhere_.count(vk) != 0) {
            p_.ws.releaseKeyElsewhere(vk);
            heldElsewhere_.erase(vk);
            return "another program releases " + std::to_string(vk);
        }
        for (const auto& h : p_.ws.ourHotkeys()) {
            if (h.vk == vk) {
                return "another program fails to take " + std::to_string(vk);
            }
        }
        p_.ws.holdKeyElsewhere(vk);
        heldElsewhere_.insert(vk);
        return "another program takes " + std::to_string(vk);
    }

    // Things that happen while a chat send may be waiting: they run inside its wait.
    void scheduleEvents() {
        const int n = pick(1, 4);
        for (int i = 0; i < n; ++i) {
            const int kind = pick(0, 3);
            p_.ws.after(pick(1, 20), [this, kind] {
                if (p_.ws.waiting()) {
                    ++eventsInsideWaits_;
                }
                checkInvariants(p_.ws.waiting());
                switch (kind) {
                    case 0:
                        p_.ws.postToUi(p_.badgeWindow, kWmTimer, 1, 0);
                        break;
                    case 1:
                        toggleGame();
                        break;
                    default:
                        pressRandomKey();
                        break;
                }
            });
        }
        // Often followed at once by a keypad press, so the events land inside its send.
        if (pick(0, 1) == 1) {
            p_.ws.pressKey(kVkNumpad0 + static_cast<std::uint32_t>(pick(0, 9)));
            p_.ws.dispatchQueued();
        }
    }

    void checkInvariants(bool insideASend) {
        const int count = p_.registry.count();
        EXPECT_EQ(p_.registry.table().size(), static_cast<std::size_t>(count));
        EXPECT_EQ(p_.hooked(), count >= 1);
        std::vector<HotkeyRegistration> expected;
        for (const auto& h : p_.ws.ourHotkeys()) {
            expected.push_back({p_.badgeWindow, static_cast<int>(expected.size()) + 1, h.vk});
        }
        EXPECT_EQ(p_.ws.ourHotkeys(), expected) << "live ids are exactly 1..count, on the badge window";
        EXPECT_EQ(p_.ws.ourHotkeys().size(), static_cast<std::size_t>(count));
        EXPECT_EQ(p_.dispatcher.busy(), insideASend);
        EXPECT_EQ(p_.ws.misroutes(), 0);
        if (count >= 11) {
            ++armsSeen_;
        }
    }

    Program p_;
    std::mt19937 rng_;
    std::optional<RecordingWindowSystem::Game> game_;
    std::set<std::uint32_t> heldElsewhere_;
    int ticks_ = 0;
    int ticksWithoutGame_ = 0;
    int eventsInsideWaits_ = 0;
    int armsSeen_ = 0;
};

TEST(ArmingRandomSequence, KeepsTheRegistryAndTheBusyFlagInOrder) {
    const std::uint32_t seed = seedToUse();
    SCOPED_TRACE("seed " + std::to_string(seed) + " (QUELVIN_SEED=" + std::to_string(seed) +
                 " repeats this run)");
    RandomRun run(seed);
    for (int i = 0; i < 800 && !::testing::Test::HasFailure(); ++i) {
        run.step(i);
    }
    run.report();
    // The run must have gone through the interesting states, or it proved nothing.
    EXPECT_GT(run.ticksWithoutGame(), 0);
    EXPECT_GT(run.ticks(), run.ticksWithoutGame());
    EXPECT_GT(run.eventsInsideWaits(), 0);
    EXPECT_GT(run.armsSeen(), 0);
}

}  // namespace
}  // namespace quelvin

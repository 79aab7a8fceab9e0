// How long a sentence takes from the keypad key to the game: the program's delivery objects
// wired as the program wires them, hotkeys armed by a poll tick against the test game
// (Meteor.exe), and a keypad key pressed system-wide as a player would. The end point is the
// moment the game takes the sentence's last WM_CHAR from its queue (its own log).
//
// A chat line waits 9 ms between the chat key and the text by design, so its delay is at
// least 9 ms; what is printed is how far above that it lands. A command sentence has no wait.
#include <windows.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "delivery/game_input_poster.h"
#include "delivery/game_window_finder.h"
#include "delivery/slot_dispatcher.h"
#include "delivery/split_text.h"
#include "hotkeys/arming_controller.h"
#include "hotkeys/hotkey_registry.h"
#include "platform/win32_window_system.h"
#include "recording_badge_view.h"
#include "test_game_process.h"
#include "windows_bench_support.h"

namespace quelvin {
namespace {

constexpr int kPresses = 30;
constexpr DWORD kTimeoutMs = 5000;

struct Sentence {
    const char* name;
    int slot;
    Text text;
    KeyMode mode;
};

// What the game should receive for a sentence: the chat key's down and up per chat line,
// and one WM_CHAR per byte of prefix, line and line end.
std::size_t expectedMessages(const Sentence& sentence) {
    std::size_t count = 0;
    for (const Text& line : splitText(sentence.text, kPieceSeparator)) {
        count += sentence.mode == kKeyModeCommand ? kCommandPrefix.size() + line.size() + kLineEnd.size()
                                                  : 2 + line.size() + kLineEnd.size();
    }
    return count;
}

// The settings window's rows, noting when the dispatcher reads a row's text: the moment the
// keypad hotkey reached the slot's callback.
class TimedSlotSource final : public SlotSource {
public:
    void set(const Sentence& sentence) {
        slots_.at(static_cast<std::size_t>(sentence.slot - 1)) = {sentence.text, sentence.mode};
    }
    Text rowText(int k) override {
        readAt_.push_back(bench::nowMicroseconds());
        return slots_.at(static_cast<std::size_t>(k - 1)).text;
    }
    KeyMode rowKeyMode(int k) override { return slots_.at(static_cast<std::size_t>(k - 1)).keyMode; }
    const std::vector<long long>& readAt() const { return readAt_; }

private:
    std::array<SlotSettings, kSlotCount> slots_;
    std::vector<long long> readAt_;
};

class DeliveryBench {
public:
    bool start() {
        if (window_.get() == nullptr) {
            std::printf("cannot create the hotkey window\n");
            return false;
        }
        if (!game_.start({})) {
            std::printf("cannot start the test game: %s\n", game_.error().c_str());
            return false;
        }
        // As when the program finds the game: the tick takes Home and presses it, and the
        // Home hotkey, once dispatched, makes the keypad live.
        arming_.onTimerTick();
        return runLoopUntil([&] { return badge_.current() == BadgeImage::HotkeysOn; });
    }

    ~DeliveryBench() { registry_.unregisterAll(); }

    // Presses the sentence's keypad key kPresses times; prints the delays.
    bool measure(const Sentence& sentence) {
        slots_.set(sentence);
        const std::size_t expected = expectedMessages(sentence);
        std::vector<double> delays;
        std::vector<double> toCallback;
        std::vector<double> toSent;
        std::vector<double> toFirst;
        std::vector<double> spread;
        std::vector<double> chatGaps;
        for (int press = 0; press < kPresses; ++press) {
            const std::size_t logged = game_.log().size();
            const std::size_t sends = slots_.readAt().size();
            const long long pressed = bench::nowMicroseconds();
            poster_.simulateKeyPress(kVkNumpad0 + static_cast<std::uint32_t>(sentence.slot - 1));
            // The whole send runs inside the dispatch of the hotkey message.
            if (!runLoopUntil([&] { return slots_.readAt().size() > sends; })) {
                std::printf("the keypad hotkey did not arrive\n");
                return false;
            }
            const long long sent = bench::nowMicroseconds();
            const std::vector<LoggedMessage> log = game_.waitForLog(logged + expected, kTimeoutMs);
            if (log.size() != logged + expected) {
                std::printf("the game logged %zu messages for one sentence, not %zu\n", log.size() - logged,
                            expected);
                return false;
            }
            const long long first = log[logged].receivedUs;
            const long long last = log.back().receivedUs;
            delays.push_back(static_cast<double>(last - pressed));
            toCallback.push_back(static_cast<double>(slots_.readAt()[sends] - pressed));
            toSent.push_back(static_cast<double>(sent - pressed));
            toFirst.push_back(static_cast<double>(first - pressed));
            spread.push_back(static_cast<double>(last - first));
            if (sentence.mode != kKeyModeCommand) {
                // The chat key's key-up, then the first character: the designed wait as the
                // game sees it.
                chatGaps.push_back(
                    static_cast<double>(log[logged + 2].receivedUs - log[logged + 1].receivedUs));
            }
            Sleep(20);
        }
        std::printf("%s (%zu messages to the game):\n", sentence.name, expected);
        const bench::Summary delay = bench::summarize(delays);
        bench::printSummary("keypad press to the game's last WM_CHAR", delay, 1000.0, "ms", delays.size());
        if (!chatGaps.empty()) {
            const double wait = kChatOpenDelayMs * 1000.0;
            bench::printSummary("  the same, above the 9 ms wait",
                                {delay.min - wait, delay.median - wait, delay.max - wait}, 1000.0, "ms",
                                delays.size());
        }
        bench::printSummary("  press to the slot's callback (hotkey delivery)", bench::summarize(toCallback),
                            1000.0, "ms", toCallback.size());
        bench::printSummary("  press to the end of the send (all posted)", bench::summarize(toSent), 1000.0,
                            "ms", toSent.size());
        bench::printSummary("  press to the game's first message", bench::summarize(toFirst), 1000.0, "ms",
                            toFirst.size());
        bench::printSummary("  game: first to last message", bench::summarize(spread), 1000.0, "ms",
                            spread.size());
        if (!chatGaps.empty()) {
            bench::printSummary("  game: chat key-up to the first WM_CHAR (the 9 ms wait)",
                                bench::summarize(chatGaps), 1000.0, "ms", chatGaps.size());
        }
        return true;
    }

private:
    template <class Done>
    bool runLoopUntil(Done done) {
        const DWORD begin = GetTickCount();
        for (;;) {
            ws_.processPendingMessages();
            if (done()) {
                return true;
            }
            if (GetTickCount() - begin > kTimeoutMs) {
                return false;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        }
    }

    bench::HiddenWindow window_;
    Win32WindowSystem ws_;
    GameWindowFinder finder_{ws_};
    GameInputPoster poster_{ws_, finder_};
    HotkeyRegistry registry_{ws_, [this] { return reinterpret_cast<WindowHandle>(window_.get()); }};
    TimedSlotSource slots_;
    SlotDispatcher dispatcher_{slots_, poster_};
    RecordingBadgeView badge_;
    ArmingController arming_{finder_, poster_, registry_, dispatcher_, badge_};
    TestGameProcess game_;
};

}  // namespace
}  // namespace quelvin

int main() {
    using namespace quelvin;
    std::printf("== delivery: keypad key to the game, %d presses per sentence\n", kPresses);
    const Sentence kSentences[] = {
        {"one-line chat sentence via P", 1,
         "\xB4\xF3\xBC\xD2\xBA\xC3"  // 大家好
         " hello",
         kKeyModeChatP},
        {"five-line command sentence", 2, "weapon 5;weapon 6;moveto 0 0 0;pose 58;pose 1", kKeyModeCommand},
    };
    DeliveryBench bench;
    if (!bench.start()) {
        std::printf("the hotkeys did not come on with the game\n");
        return 1;
    }
    for (const Sentence& sentence : kSentences) {
        if (!bench.measure(sentence)) {
            return 1;
        }
    }
    return 0;
}

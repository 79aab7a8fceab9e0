#pragma once

// A stand-in for Windows that runs the delivery, hotkey and arming logic on any machine.
//
// - Every call made through the WindowSystem interface is logged, in order, as a comparable
//   value (the structs in namespace call), so one EXPECT_EQ states a whole sequence.
// - A virtual clock: nothing takes real time. Waits move the clock to the next thing that
//   can end them (a timer, a scheduled event, a timeout), running the events scheduled on
//   the way: "at 4 ms the player presses keypad 4" is at(4, [&] { ws.pressKey(0x64); }).
// - The UI thread's message queue: posts to our own windows and hotkey messages land in it,
//   a wait returns early when new input is queued, and processPendingMessages dispatches
//   it to each window's installed procedure (our hook, or the window's own procedure,
//   whose deliveries are recorded).
// - Processes, threads and top-level windows with owners and pop-up styles, for the Tool
//   Help and EnumThreadWindows/GetParent walks; windows of other processes record what is
//   posted to them, with the virtual time.
// - System-wide hotkeys: a key registered by us or held by another program cannot be
//   registered again; a press (keybd_event, or the player) queues WM_HOTKEY for our
//   registration of that key.
// - Scripted failures (timer creation, arming or waits, snapshots), set before the call.
//
// A wait that could never end, or that keeps returning without the clock moving, throws
// RecordingWindowSystem::Stuck: in the real program it would hang the UI thread.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <stdexcept>
#include <variant>
#include <vector>

#include "platform/text.h"
#include "platform/window_system.h"

namespace quelvin {

namespace call {

struct Post {
    WindowHandle window;
    MessageId message;
    WParam wParam;
    LParam lParam;
    friend bool operator==(const Post&, const Post&) = default;
};
struct MapKey {
    std::uint32_t code;
    std::uint32_t mapType;
    friend bool operator==(const MapKey&, const MapKey&) = default;
};
struct KeyEvent {
    std::uint8_t vk;
    std::uint8_t scan;
    std::uint32_t flags;
    friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
};
struct RegisterKey {
    WindowHandle window;
    int id;
    std::uint32_t modifiers;
    std::uint32_t vk;
    friend bool operator==(const RegisterKey&, const RegisterKey&) = default;
};
struct UnregisterKey {
    WindowHandle window;
    int id;
    friend bool operator==(const UnregisterKey&, const UnregisterKey&) = default;
};
struct HookProcedure {
    friend bool operator==(const HookProcedure&, const HookProcedure&) = default;
};
struct SwapProcedure {
    WindowHandle window;
    WindowProcedure procedure;
    friend bool operator==(const SwapProcedure&, const SwapProcedure&) = default;
};
struct CallProcedure {
    WindowProcedure procedure;
    WindowHandle window;
    MessageId message;
    WParam wParam;
    LParam lParam;
    friend bool operator==(const CallProcedure&, const CallProcedure&) = default;
};
struct CreateTimer {
    friend bool operator==(const CreateTimer&, const CreateTimer&) = default;
};
struct ArmTimer {
    KernelHandle timer;
    std::int64_t dueTime;
    friend bool operator==(const ArmTimer&, const ArmTimer&) = default;
};
struct Close {
    KernelHandle handle;
    friend bool operator==(const Close&, const Close&) = default;
};
struct WaitForInput {
    std::vector<KernelHandle> handles;
    std::uint32_t timeoutMs;
    std::uint32_t wakeMask;
    friend bool operator==(const WaitForInput&, const WaitForInput&) = default;
};
struct PumpMessages {
    friend bool operator==(const PumpMessages&, const PumpMessages&) = default;
};
struct ReadClock {
    friend bool operator==(const ReadClock&, const ReadClock&) = default;
};
struct TakeSnapshot {
    std::uint32_t flags;
    std::uint32_t processId;
    friend bool operator==(const TakeSnapshot&, const TakeSnapshot&) = default;
};
struct WalkProcesses {
    KernelHandle snapshot;
    bool first;
    friend bool operator==(const WalkProcesses&, const WalkProcesses&) = default;
};
struct WalkThreads {
    KernelHandle snapshot;
    bool first;
    friend bool operator==(const WalkThreads&, const WalkThreads&) = default;
};
struct EnumerateWindows {
    std::uint32_t threadId;
    friend bool operator==(const EnumerateWindows&, const EnumerateWindows&) = default;
};
struct ParentOf {
    WindowHandle window;
    friend bool operator==(const ParentOf&, const ParentOf&) = default;
};

std::ostream& operator<<(std::ostream& os, const Post& c);
std::ostream& operator<<(std::ostream& os, const MapKey& c);
std::ostream& operator<<(std::ostream& os, const KeyEvent& c);
std::ostream& operator<<(std::ostream& os, const RegisterKey& c);
std::ostream& operator<<(std::ostream& os, const UnregisterKey& c);
std::ostream& operator<<(std::ostream& os, const HookProcedure& c);
std::ostream& operator<<(std::ostream& os, const SwapProcedure& c);
std::ostream& operator<<(std::ostream& os, const CallProcedure& c);
std::ostream& operator<<(std::ostream& os, const CreateTimer& c);
std::ostream& operator<<(std::ostream& os, const ArmTimer& c);
std::ostream& operator<<(std::ostream& os, const Close& c);
std::ostream& operator<<(std::ostream& os, const WaitForInput& c);
std::ostream& operator<<(std::ostream& os, const PumpMessages& c);
std::ostream& operator<<(std::ostream& os, const ReadClock& c);
std::ostream& operator<<(std::ostream& os, const TakeSnapshot& c);
std::ostream& operator<<(std::ostream& os, const WalkProcesses& c);
std::ostream& operator<<(std::ostream& os, const WalkThreads& c);
std::ostream& operator<<(std::ostream& os, const EnumerateWindows& c);
std::ostream& operator<<(std::ostream& os, const ParentOf& c);

}  // namespace call

using Call = std::variant<call::Post, call::MapKey, call::KeyEvent, call::RegisterKey, call::UnregisterKey,
                          call::HookProcedure, call::SwapProcedure, call::CallProcedure, call::CreateTimer,
                          call::ArmTimer, call::Close, call::WaitForInput, call::PumpMessages,
                          call::ReadClock, call::TakeSnapshot, call::WalkProcesses, call::WalkThreads,
                          call::EnumerateWindows, call::ParentOf>;
using Calls = std::vector<Call>;

// A message as a window received it, with the virtual time in milliseconds.
struct Received {
    std::int64_t atMs;
    MessageId message;
    WParam wParam;
    LParam lParam;
    friend bool operator==(const Received&, const Received&) = default;
};
std::ostream& operator<<(std::ostream& os, const Received& r);

// A hotkey registered by us.
struct HotkeyRegistration {
    WindowHandle window;
    int id;
    std::uint32_t vk;
    friend bool operator==(const HotkeyRegistration&, const HotkeyRegistration&) = default;
};
std::ostream& operator<<(std::ostream& os, const HotkeyRegistration& h);

class RecordingWindowSystem final : public WindowSystem {
public:
    // A wait that can never end or a loop that never lets time pass.
    struct Stuck : std::logic_error {
        using std::logic_error::logic_error;
    };

    // The procedure value handed out for our hook.
    static constexpr WindowProcedure kHookValue = 0x7000'0001;

    RecordingWindowSystem();

    // ---- The world ----------------------------------------------------------------------

    // Our own process ("Quelvin.exe") and its UI thread exist from the start.
    std::uint32_t uiThread() const { return uiThread_; }
    std::uint32_t addProcess(const Text& exeFile);
    std::uint32_t addThread(std::uint32_t processId);
    // A top-level window of threadId. GetParent gives owner only for a pop-up.
    WindowHandle addWindow(std::uint32_t threadId, WindowHandle owner = kNoWindow, bool popup = false);
    void setOwner(WindowHandle window, WindowHandle owner, bool popup);
    // A window of our UI thread, running its own procedure. Every message that reaches that
    // procedure is recorded and then handed to behaviour, if given (a badge window that
    // runs a poll tick on WM_TIMER, say).
    using Behaviour = std::function<void(MessageId, WParam, LParam)>;
    WindowHandle addOwnWindow(Behaviour behaviour = {});
    // The process exits: its threads and windows are gone, posts to them fail.
    void endProcess(std::uint32_t processId);

    // The usual game: a process whose first thread has an unowned main window and a pop-up
    // owned by it, enumerated in that order.
    struct Game {
        std::uint32_t processId;
        std::uint32_t threadId;
        WindowHandle main;
        WindowHandle popup;
    };
    Game addGame(const Text& exeFile = "Meteor.exe");

    // ---- Keys ---------------------------------------------------------------------------

    // Another program registers / unregisters vk as its hotkey.
    void holdKeyElsewhere(std::uint32_t vk);
    void releaseKeyElsewhere(std::uint32_t vk);
    // The player presses vk: our registration of it queues WM_HOTKEY.
    void pressKey(std::uint32_t vk);
    // How often a press of vk went to the other program holding it.
    int pressesElsewhere(std::uint32_t vk) const;

    // ---- Time ---------------------------------------------------------------------------

    std::int64_t nowMs() const { return now_ / kUnitsPerMs; }
    // Whether a wait is under way (events run by advance() are outside any wait).
    bool waiting() const { return waitDepth_ > 0; }
    // Runs event when the virtual clock reaches atMs (events due at the same time run in the
    // order they were scheduled).
    void at(std::int64_t atMs, std::function<void()> event);
    void after(std::int64_t ms, std::function<void()> event) { at(nowMs() + ms, std::move(event)); }
    // Moves the clock on, running the events due meanwhile. Nothing is dispatched.
    void advance(std::int64_t ms);

    // ---- The UI thread's queue ----------------------------------------------------------

    // Someone else posts to one of our windows (or the thread, for no window).
    void postToUi(WindowHandle window, MessageId message, WParam wParam, LParam lParam);
    std::size_t queued() const { return queue_.size(); }
    // The main message loop: dispatches everything queued, unlogged.
    void dispatchQueued();

    // ---- Scripted failures --------------------------------------------------------------

    void failTimerCreation(bool fail) { failTimerCreation_ = fail; }
    void failTimerArming(bool fail) { failTimerArming_ = fail; }
    // Waits on any kernel handle fail at once (as with a handle that became invalid).
    void failTimerWaits(bool fail) { failTimerWaits_ = fail; }
    void failSnapshots(bool fail) { failSnapshots_ = fail; }

    // ---- What happened ------------------------------------------------------------------

    const Calls& calls() const { return calls_; }
    // Only the calls of the given kinds, in order.
    template <class... Kinds>
    Calls callsOf() const {
        Calls out;
        for (const Call& c : calls_) {
            if ((std::holds_alternative<Kinds>(c) || ...)) {
                out.push_back(c);
            }
        }
        return out;
    }
    template <class Kind>
    std::size_t countOf() const {
        std::size_t n = 0;
        for (const Call& c : calls_) {
            n += std::holds_alternative<Kind>(c) ? 1 : 0;
        }
        return n;
    }
    void clearCalls() { calls_.clear(); }

    // What was posted to a window of another process.
    const std::vector<Received>& received(WindowHandle window) const;
    // What reached a window's own procedure (dispatched, or passed on with CallWindowProcA).
    const std::vector<Received>& delivered(WindowHandle window) const;
    // Messages dispatched to no procedure we know (a null or foreign value): always a fault.
    int misroutes() const { return misroutes_; }
    // Thread messages (posted to no window) taken from the queue.
    const std::vector<Received>& threadMessages() const { return threadMessages_; }

    WindowProcedure installedProcedure(WindowHandle window) const;
    WindowProcedure ownProcedure(WindowHandle window) const;
    const std::vector<HotkeyRegistration>& ourHotkeys() const { return ourHotkeys_; }
    // Kernel handles created and not closed yet.
    const std::set<KernelHandle>& openHandles() const { return openHandles_; }
    // CloseHandle calls on handles that were not open.
    int badCloses() const { return badCloses_; }

    // ---- WindowSystem -------------------------------------------------------------------

    bool postMessage(WindowHandle window, MessageId message, WParam wParam, LParam lParam) override;
    std::uint32_t mapVirtualKey(std::uint32_t code, std::uint32_t mapType) override;
    void keybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) override;
    bool registerHotKey(WindowHandle window, int id, std::uint32_t modifiers, std::uint32_t vk) override;
    bool unregisterHotKey(WindowHandle window, int id) override;
    WindowProcedure hookProcedure(MessageHook& hook) override;
    WindowProcedure setWindowProcedure(WindowHandle window, WindowProcedure procedure) override;
    LResult callWindowProcedure(WindowProcedure procedure, WindowHandle window, MessageId message,
                                WParam wParam, LParam lParam) override;
    KernelHandle createWaitableTimer() override;
    bool setWaitableTimer(KernelHandle timer, std::int64_t dueTime) override;
    bool closeHandle(KernelHandle handle) override;
    std::uint32_t msgWaitForMultipleObjects(std::span<const KernelHandle> handles, std::uint32_t timeoutMs,
                                            std::uint32_t wakeMask) override;
    void processPendingMessages() override;
    std::uint64_t tickCount() override;
    KernelHandle createToolhelp32Snapshot(std::uint32_t flags, std::uint32_t processId) override;
    bool process32First(KernelHandle snapshot, ProcessEntry& entry) override;
    bool process32Next(KernelHandle snapshot, ProcessEntry& entry) override;
    bool thread32First(KernelHandle snapshot, ThreadEntry& entry) override;
    bool thread32Next(KernelHandle snapshot, ThreadEntry& entry) override;
    bool enumThreadWindows(std::uint32_t threadId, const std::function<bool(WindowHandle)>& visit) override;
    WindowHandle getParent(WindowHandle window) override;

private:
    static constexpr std::int64_t kUnitsPerMs = 10000;  // 100 ns units, as SetWaitableTimer counts

    struct Process {
        std::uint32_t id;
        Text exeFile;
    };
    struct Thread {
        std::uint32_t id;
        std::uint32_t processId;
    };
    struct Window {
        std::uint32_t threadId;
        WindowHandle owner;
        bool popup;
        WindowProcedure ownProcedure;
        WindowProcedure installed;
        Behaviour behaviour;
    };
    struct Timer {
        std::optional<std::int64_t> fireAt;  // armed until it fires (auto-reset)
    };
    struct Snapshot {
        std::vector<Process> processes;
        std::vector<Thread> threads;
        std::size_t nextProcess = 0;
        std::size_t nextThread = 0;
    };
    struct Queued {
        WindowHandle window;
        MessageId message;
        WParam wParam;
        LParam lParam;
        std::uint32_t wakeBits;
    };
    struct Event {
        std::int64_t at;
        std::uint64_t order;
        std::function<void()> run;
    };

    void log(Call c) { calls_.push_back(std::move(c)); }
    bool isOurs(WindowHandle window) const;
    void enqueue(WindowHandle window, MessageId message, WParam wParam, LParam lParam,
                 std::uint32_t wakeBits);
    void pump();
    void dispatch(const Queued& m);
    LResult runProcedure(WindowProcedure procedure, WindowHandle window, MessageId message, WParam wParam,
                         LParam lParam);
    void advanceTo(std::int64_t when);
    std::optional<std::int64_t> nextEventTime() const;
    bool nextProcessEntry(KernelHandle snapshot, ProcessEntry& entry, bool first);
    bool nextThreadEntry(KernelHandle snapshot, ThreadEntry& entry, bool first);

    Calls calls_;
    std::int64_t now_ = 0;
    std::uint64_t eventOrder_ = 0;
    std::vector<Event> events_;

    std::uint32_t nextId_ = 100;
    std::uint32_t ourProcess_ = 0;
    std::uint32_t uiThread_ = 0;
    std::vector<Process> processes_;
    std::vector<Thread> threads_;
    std::map<WindowHandle, Window> windows_;
    std::vector<WindowHandle> windowOrder_;  // creation order, which is enumeration order
    WindowHandle nextWindow_ = 0x10000;
    WindowProcedure nextProcedure_ = 0x5000'0000;
    std::map<WindowHandle, std::vector<Received>> received_;
    std::map<WindowHandle, std::vector<Received>> delivered_;
    std::vector<Received> threadMessages_;
    int misroutes_ = 0;

    MessageHook* hook_ = nullptr;

    std::vector<Queued> queue_;
    std::uint32_t newInput_ = 0;  // wake bits of input queued since the queue was last looked at
    int waitsWithoutProgress_ = 0;
    int waitDepth_ = 0;
    std::int64_t lastWaitAt_ = -1;

    std::vector<HotkeyRegistration> ourHotkeys_;
    std::multiset<std::uint32_t> heldElsewhere_;
    std::map<std::uint32_t, int> pressesElsewhere_;

    KernelHandle nextHandle_ = 0x100;
    std::set<KernelHandle> openHandles_;
    std::map<KernelHandle, Timer> timers_;
    std::map<KernelHandle, Snapshot> snapshots_;
    int badCloses_ = 0;

    bool failTimerCreation_ = false;
    bool failTimerArming_ = false;
    bool failTimerWaits_ = false;
    bool failSnapshots_ = false;
};

}  // namespace quelvin

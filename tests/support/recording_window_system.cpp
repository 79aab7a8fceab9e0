#include "recording_window_system.h"

#include <algorithm>

namespace quelvin {

namespace call {

namespace {

struct Hex {
    std::uint64_t value;
};
std::ostream& operator<<(std::ostream& os, Hex h) {
    const auto flags = os.flags();
    os << "0x" << std::hex << h.value;
    os.flags(flags);
    return os;
}

const char* messageName(MessageId m) {
    switch (m) {
        case kWmKeyDown:
            return "WM_KEYDOWN";
        case kWmKeyUp:
            return "WM_KEYUP";
        case kWmChar:
            return "WM_CHAR";
        case kWmHotkey:
            return "WM_HOTKEY";
        case kWmTimer:
            return "WM_TIMER";
        case kWmQuit:
            return "WM_QUIT";
        default:
            return nullptr;
    }
}

struct Msg {
    MessageId id;
};
std::ostream& operator<<(std::ostream& os, Msg m) {
    if (const char* name = messageName(m.id)) {
        return os << name;
    }
    return os << Hex{m.id};
}

}  // namespace

std::ostream& operator<<(std::ostream& os, const Post& c) {
    return os << "Post{" << Hex{c.window} << ", " << Msg{c.message} << ", " << Hex{c.wParam} << ", "
              << c.lParam << "}";
}
std::ostream& operator<<(std::ostream& os, const MapKey& c) {
    return os << "MapKey{" << Hex{c.code} << ", " << c.mapType << "}";
}
std::ostream& operator<<(std::ostream& os, const KeyEvent& c) {
    return os << "KeyEvent{" << Hex{c.vk} << ", " << Hex{c.scan} << ", " << c.flags << "}";
}
std::ostream& operator<<(std::ostream& os, const RegisterKey& c) {
    return os << "RegisterKey{" << Hex{c.window} << ", id " << c.id << ", " << c.modifiers << ", "
              << Hex{c.vk} << "}";
}
std::ostream& operator<<(std::ostream& os, const UnregisterKey& c) {
    return os << "UnregisterKey{" << Hex{c.window} << ", id " << c.id << "}";
}
std::ostream& operator<<(std::ostream& os, const HookProcedure&) { return os << "HookProcedure{}"; }
std::ostream& operator<<(std::ostream& os, const SwapProcedure& c) {
    return os << "SwapProcedure{" << Hex{c.window} << ", " << Hex{static_cast<std::uint64_t>(c.procedure)}
              << "}";
}
std::ostream& operator<<(std::ostream& os, const CallProcedure& c) {
    return os << "CallProcedure{" << Hex{static_cast<std::uint64_t>(c.procedure)} << ", " << Hex{c.window}
              << ", " << Msg{c.message} << ", " << Hex{c.wParam} << ", " << c.lParam << "}";
}
std::ostream& operator<<(std::ostream& os, const CreateTimer&) { return os << "CreateTimer{}"; }
std::ostream& operator<<(std::ostream& os, const ArmTimer& c) {
    return os << "ArmTimer{" << Hex{c.timer} << ", " << c.dueTime << "}";
}
std::ostream& operator<<(std::ostream& os, const Close& c) { return os << "Close{" << Hex{c.handle} << "}"; }
std::ostream& operator<<(std::ostream& os, const WaitForInput& c) {
    os << "WaitForInput{[";
    for (std::size_t i = 0; i < c.handles.size(); ++i) {
        os << (i ? ", " : "") << Hex{c.handles[i]};
    }
    return os << "], " << c.timeoutMs << ", " << Hex{c.wakeMask} << "}";
}
std::ostream& operator<<(std::ostream& os, const PumpMessages&) { return os << "PumpMessages{}"; }
std::ostream& operator<<(std::ostream& os, const ReadClock&) { return os << "ReadClock{}"; }
std::ostream& operator<<(std::ostream& os, const TakeSnapshot& c) {
    return os << "TakeSnapshot{" << c.flags << ", " << c.processId << "}";
}
std::ostream& operator<<(std::ostream& os, const WalkProcesses& c) {
    return os << "WalkProcesses{" << Hex{c.snapshot} << (c.first ? ", first}" : ", next}");
}
std::ostream& operator<<(std::ostream& os, const WalkThreads& c) {
    return os << "WalkThreads{" << Hex{c.snapshot} << (c.first ? ", first}" : ", next}");
}
std::ostream& operator<<(std::ostream& os, const EnumerateWindows& c) {
    return os << "EnumerateWindows{" << c.threadId << "}";
}
std::ostream& operator<<(std::ostream& os, const ParentOf& c) {
    return os << "ParentOf{" << Hex{c.window} << "}";
}

}  // namespace call

std::ostream& operator<<(std::ostream& os, const Received& r) {
    return os << "{" << r.atMs << " ms, " << call::Msg{r.message} << ", " << call::Hex{r.wParam} << ", "
              << r.lParam << "}";
}

std::ostream& operator<<(std::ostream& os, const HotkeyRegistration& h) {
    return os << "{" << call::Hex{h.window} << ", id " << h.id << ", " << call::Hex{h.vk} << "}";
}

namespace {

// Far more waits at one virtual instant than any real sequence makes: the code is spinning.
constexpr int kMaxWaitsWithoutProgress = 100000;

const std::vector<Received> kNothing;

}  // namespace

RecordingWindowSystem::RecordingWindowSystem() {
    ourProcess_ = addProcess("Quelvin.exe");
    uiThread_ = addThread(ourProcess_);
}

// ---- The world ------------------------------------------------------------------------------

std::uint32_t RecordingWindowSystem::addProcess(const Text& exeFile) {
    const std::uint32_t id = nextId_;
    nextId_ += 4;
    processes_.push_back({id, exeFile});
    return id;
}

std::uint32_t RecordingWindowSystem::addThread(std::uint32_t processId) {
    const std::uint32_t id = nextId_;
    nextId_ += 4;
    threads_.push_back({id, processId});
    return id;
}

WindowHandle RecordingWindowSystem::addWindow(std::uint32_t threadId, WindowHandle owner, bool popup) {
    const WindowHandle handle = nextWindow_;
    nextWindow_ += 0x10;
    const WindowProcedure own = nextProcedure_;
    nextProcedure_ += 0x10;
    windows_[handle] = Window{threadId, owner, popup, own, own, {}};
    windowOrder_.push_back(handle);
    return handle;
}

void RecordingWindowSystem::setOwner(WindowHandle window, WindowHandle owner, bool popup) {
    auto& w = windows_.at(window);
    w.owner = owner;
    w.popup = popup;
}

WindowHandle RecordingWindowSystem::addOwnWindow(Behaviour behaviour) {
    const WindowHandle handle = addWindow(uiThread_);
    windows_.at(handle).behaviour = std::move(behaviour);
    return handle;
}

void RecordingWindowSystem::endProcess(std::uint32_t processId) {
    std::set<std::uint32_t> gone;
    for (const Thread& t : threads_) {
        if (t.processId == processId) {
            gone.insert(t.id);
        }
    }
    std::erase_if(threads_, [&](const Thread& t) { return t.processId == processId; });
    std::erase_if(processes_, [&](const Process& p) { return p.id == processId; });
    std::erase_if(windowOrder_, [&](WindowHandle w) { return gone.count(windows_.at(w).threadId) != 0; });
    std::erase_if(windows_, [&](const auto& entry) { return gone.count(entry.second.threadId) != 0; });
}

RecordingWindowSystem::Game RecordingWindowSystem::addGame(const Text& exeFile) {
    Game game{};
    game.processId = addProcess(exeFile);
    game.threadId = addThread(game.processId);
    game.main = addWindow(game.threadId);
    game.popup = addWindow(game.threadId, game.main, true);
    return game;
}

bool RecordingWindowSystem::isOurs(WindowHandle window) const {
    const auto it = windows_.find(window);
    return it != windows_.end() && it->second.threadId == uiThread_;
}

// ---- Keys -----------------------------------------------------------------------------------

void RecordingWindowSystem::holdKeyElsewhere(std::uint32_t vk) { heldElsewhere_.insert(vk); }

void RecordingWindowSystem::releaseKeyElsewhere(std::uint32_t vk) {
    const auto it = heldElsewhere_.find(vk);
    if (it != heldElsewhere_.end()) {
        heldElsewhere_.erase(it);
    }
}

void RecordingWindowSystem::pressKey(std::uint32_t vk) {
    for (const HotkeyRegistration& h : ourHotkeys_) {
        if (h.vk == vk) {
            // lParam: the modifiers (none) in the low word, the key in the high word.
            enqueue(h.window, kWmHotkey, static_cast<WParam>(h.id), static_cast<LParam>(vk << 16), kQsHotkey);
            return;
        }
    }
    if (heldElsewhere_.count(vk) != 0) {
        ++pressesElsewhere_[vk];
    }
}

int RecordingWindowSystem::pressesElsewhere(std::uint32_t vk) const {
    const auto it = pressesElsewhere_.find(vk);
    return it == pressesElsewhere_.end() ? 0 : it->second;
}

// ---- Time -----------------------------------------------------------------------------------

void RecordingWindowSystem::at(std::int64_t atMs, std::function<void()> event) {
    events_.push_back({atMs * kUnitsPerMs, eventOrder_++, std::move(event)});
}

void RecordingWindowSystem::advance(std::int64_t ms) { advanceTo(now_ + ms * kUnitsPerMs); }

std::optional<std::int64_t> RecordingWindowSystem::nextEventTime() const {
    std::optional<std::int64_t> next;
    for (const Event& e : events_) {
        if (!next || e.at < *next) {
            next = e.at;
        }
    }
    return next;
}

void RecordingWindowSystem::advanceTo(std::int64_t when) {
    for (;;) {
        auto due = events_.end();
        for (auto it = events_.begin(); it != events_.end(); ++it) {
            if (it->at <= when &&
                (due == events_.end() || it->at < due->at || (it->at == due->at && it->order < due->order))) {
                due = it;
            }
        }
        if (due == events_.end()) {
            break;
        }
        now_ = std::max(now_, due->at);
        const std::function<void()> run = std::move(due->run);
        events_.erase(due);
        run();
    }
    now_ = std::max(now_, when);
}

// ---- The UI thread's queue ------------------------------------------------------------------

void RecordingWindowSystem::enqueue(WindowHandle window, MessageId message, WParam wParam, LParam lParam,
                                    std::uint32_t wakeBits) {
    queue_.push_back({window, message, wParam, lParam, wakeBits});
    newInput_ |= wakeBits;
}

void RecordingWindowSystem::postToUi(WindowHandle window, MessageId message, WParam wParam, LParam lParam) {
    enqueue(window, message, wParam, lParam, kQsPostMessage);
}

void RecordingWindowSystem::dispatchQueued() { pump(); }

void RecordingWindowSystem::pump() {
    while (!queue_.empty() && queue_.front().message != kWmQuit) {
        const Queued m = queue_.front();
        queue_.erase(queue_.begin());
        dispatch(m);
    }
    newInput_ = 0;
}

void RecordingWindowSystem::dispatch(const Queued& m) {
    if (m.window == kNoWindow) {
        threadMessages_.push_back({nowMs(), m.message, m.wParam, m.lParam});
        return;
    }
    const auto it = windows_.find(m.window);
    if (it == windows_.end()) {
        return;  // the window is gone; DispatchMessage drops the message
    }
    runProcedure(it->second.installed, m.window, m.message, m.wParam, m.lParam);
}

LResult RecordingWindowSystem::runProcedure(WindowProcedure procedure, WindowHandle window, MessageId message,
                                            WParam wParam, LParam lParam) {
    if (procedure == kHookValue && hook_ != nullptr) {
        return hook_->onMessage(window, message, wParam, lParam);
    }
    for (const auto& [handle, w] : windows_) {
        if (w.ownProcedure == procedure) {
            delivered_[handle].push_back({nowMs(), message, wParam, lParam});
            // Copied out first: the behaviour may change the window table.
            const Behaviour behaviour = w.behaviour;
            if (behaviour) {
                behaviour(message, wParam, lParam);
            }
            return 0;
        }
    }
    ++misroutes_;
    return 0;
}

// ---- What happened --------------------------------------------------------------------------

const std::vector<Received>& RecordingWindowSystem::received(WindowHandle window) const {
    const auto it = received_.find(window);
    return it == received_.end() ? kNothing : it->second;
}

const std::vector<Received>& RecordingWindowSystem::delivered(WindowHandle window) const {
    const auto it = delivered_.find(window);
    return it == delivered_.end() ? kNothing : it->second;
}

WindowProcedure RecordingWindowSystem::installedProcedure(WindowHandle window) const {
    return windows_.at(window).installed;
}

WindowProcedure RecordingWindowSystem::ownProcedure(WindowHandle window) const {
    return windows_.at(window).ownProcedure;
}

// ---- WindowSystem ---------------------------------------------------------------------------

bool RecordingWindowSystem::postMessage(WindowHandle window, MessageId message, WParam wParam,
                                        LParam lParam) {
    log(call::Post{window, message, wParam, lParam});
    if (window == kNoWindow) {
        enqueue(window, message, wParam, lParam, kQsPostMessage);
        return true;
    }
    if (windows_.count(window) == 0) {
        return false;
    }
    if (isOurs(window)) {
        enqueue(window, message, wParam, lParam, kQsPostMessage);
    } else {
        received_[window].push_back({nowMs(), message, wParam, lParam});
    }
    return true;
}

std::uint32_t RecordingWindowSystem::mapVirtualKey(std::uint32_t code, std::uint32_t mapType) {
    log(call::MapKey{code, mapType});
    // Any fixed mapping will do, as long as the caller passes on what it got.
    return mapType == kMapVkToVsc ? (code * 7 + 3) & 0x7F : 0;
}

void RecordingWindowSystem::keybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) {
    log(call::KeyEvent{vk, scan, flags});
    if ((flags & kKeyEventKeyUp) == 0) {
        pressKey(vk);
    }
}

bool RecordingWindowSystem::registerHotKey(WindowHandle window, int id, std::uint32_t modifiers,
                                           std::uint32_t vk) {
    log(call::RegisterKey{window, id, modifiers, vk});
    if (!isOurs(window) || heldElsewhere_.count(vk) != 0) {
        return false;
    }
    for (const HotkeyRegistration& h : ourHotkeys_) {
        if (h.vk == vk || (h.window == window && h.id == id)) {
            return false;
        }
    }
    ourHotkeys_.push_back({window, id, vk});
    return true;
}

bool RecordingWindowSystem::unregisterHotKey(WindowHandle window, int id) {
    log(call::UnregisterKey{window, id});
    const auto it = std::find_if(ourHotkeys_.begin(), ourHotkeys_.end(), [&](const HotkeyRegistration& h) {
        return h.window == window && h.id == id;
    });
    if (it == ourHotkeys_.end()) {
        return false;
    }
    ourHotkeys_.erase(it);
    return true;
}

WindowProcedure RecordingWindowSystem::hookProcedure(MessageHook& hook) {
    log(call::HookProcedure{});
    hook_ = &hook;
    return kHookValue;
}

WindowProcedure RecordingWindowSystem::setWindowProcedure(WindowHandle window, WindowProcedure procedure) {
    log(call::SwapProcedure{window, procedure});
    if (!isOurs(window)) {
        return 0;  // no such window of ours: nothing changes
    }
    return std::exchange(windows_.at(window).installed, procedure);
}

LResult RecordingWindowSystem::callWindowProcedure(WindowProcedure procedure, WindowHandle window,
                                                   MessageId message, WParam wParam, LParam lParam) {
    log(call::CallProcedure{procedure, window, message, wParam, lParam});
    return runProcedure(procedure, window, message, wParam, lParam);
}

KernelHandle RecordingWindowSystem::createWaitableTimer() {
    log(call::CreateTimer{});
    if (failTimerCreation_) {
        return kNoHandle;
    }
    const KernelHandle handle = nextHandle_;
    nextHandle_ += 4;
    openHandles_.insert(handle);
    timers_[handle] = Timer{};
    return handle;
}

bool RecordingWindowSystem::setWaitableTimer(KernelHandle timer, std::int64_t dueTime) {
    log(call::ArmTimer{timer, dueTime});
    const auto it = timers_.find(timer);
    if (failTimerArming_ || it == timers_.end()) {
        return false;
    }
    it->second.fireAt = dueTime < 0 ? now_ - dueTime : dueTime;
    return true;
}

bool RecordingWindowSystem::closeHandle(KernelHandle handle) {
    log(call::Close{handle});
    if (openHandles_.erase(handle) == 0) {
        ++badCloses_;
        return false;
    }
    timers_.erase(handle);
    snapshots_.erase(handle);
    return true;
}

std::uint32_t RecordingWindowSystem::msgWaitForMultipleObjects(std::span<const KernelHandle> handles,
                                                               std::uint32_t timeoutMs,
                                                               std::uint32_t wakeMask) {
    log(call::WaitForInput{{handles.begin(), handles.end()}, timeoutMs, wakeMask});
    if (now_ == lastWaitAt_) {
        if (++waitsWithoutProgress_ > kMaxWaitsWithoutProgress) {
            throw Stuck("waits keep returning while the clock stands still");
        }
    } else {
        lastWaitAt_ = now_;
        waitsWithoutProgress_ = 0;
    }
    if (failTimerWaits_ && !handles.empty()) {
        return kWaitFailed;
    }
    for (const KernelHandle h : handles) {
        if (timers_.count(h) == 0) {
            return kWaitFailed;  // not a timer we have open
        }
    }
    const std::optional<std::int64_t> deadline =
        timeoutMs == kInfinite ? std::nullopt : std::optional<std::int64_t>(now_ + timeoutMs * kUnitsPerMs);
    for (;;) {
        for (std::size_t i = 0; i < handles.size(); ++i) {
            Timer& t = timers_.at(handles[i]);
            if (t.fireAt && *t.fireAt <= now_) {
                t.fireAt.reset();  // auto-reset: one wait consumes the signal
                return kWaitObject0 + static_cast<std::uint32_t>(i);
            }
        }
        if ((newInput_ & wakeMask) != 0) {
            return kWaitObject0 + static_cast<std::uint32_t>(handles.size());
        }
        if (deadline && now_ >= *deadline) {
            return kWaitTimeout;
        }
        std::optional<std::int64_t> next = deadline;
        for (const KernelHandle h : handles) {
            const Timer& t = timers_.at(h);
            if (t.fireAt && (!next || *t.fireAt < *next)) {
                next = t.fireAt;
            }
        }
        if (const auto event = nextEventTime(); event && (!next || *event < *next)) {
            next = std::max(*event, now_);
        }
        if (!next) {
            throw Stuck("a wait with nothing that could ever end it");
        }
        ++waitDepth_;
        advanceTo(*next);
        --waitDepth_;
    }
}

void RecordingWindowSystem::processPendingMessages() {
    log(call::PumpMessages{});
    pump();
}

std::uint64_t RecordingWindowSystem::tickCount() {
    log(call::ReadClock{});
    return static_cast<std::uint64_t>(nowMs());
}

KernelHandle RecordingWindowSystem::createToolhelp32Snapshot(std::uint32_t flags, std::uint32_t processId) {
    log(call::TakeSnapshot{flags, processId});
    if (failSnapshots_) {
        return kNoHandle;
    }
    const KernelHandle handle = nextHandle_;
    nextHandle_ += 4;
    openHandles_.insert(handle);
    Snapshot s;
    if ((flags & 0x2) != 0) {  // TH32CS_SNAPPROCESS
        s.processes = processes_;
    }
    if ((flags & kTh32csSnapThread) != 0) {
        s.threads = threads_;
    }
    snapshots_[handle] = std::move(s);
    return handle;
}

bool RecordingWindowSystem::nextProcessEntry(KernelHandle snapshot, ProcessEntry& entry, bool first) {
    const auto it = snapshots_.find(snapshot);
    if (it == snapshots_.end()) {
        return false;
    }
    Snapshot& s = it->second;
    if (first) {
        s.nextProcess = 0;
    }
    if (s.nextProcess >= s.processes.size()) {
        return false;
    }
    const Process& p = s.processes[s.nextProcess++];
    entry.processId = p.id;
    entry.exeFile = p.exeFile;
    return true;
}

bool RecordingWindowSystem::nextThreadEntry(KernelHandle snapshot, ThreadEntry& entry, bool first) {
    const auto it = snapshots_.find(snapshot);
    if (it == snapshots_.end()) {
        return false;
    }
    Snapshot& s = it->second;
    if (first) {
        s.nextThread = 0;
    }
    if (s.nextThread >= s.threads.size()) {
        return false;
    }
    const Thread& t = s.threads[s.nextThread++];
    entry.threadId = t.id;
    entry.ownerProcessId = t.processId;
    return true;
}

bool RecordingWindowSystem::process32First(KernelHandle snapshot, ProcessEntry& entry) {
    log(call::WalkProcesses{snapshot, true});
    return nextProcessEntry(snapshot, entry, true);
}

bool RecordingWindowSystem::process32Next(KernelHandle snapshot, ProcessEntry& entry) {
    log(call::WalkProcesses{snapshot, false});
    return nextProcessEntry(snapshot, entry, false);
}

bool RecordingWindowSystem::thread32First(KernelHandle snapshot, ThreadEntry& entry) {
    log(call::WalkThreads{snapshot, true});
    return nextThreadEntry(snapshot, entry, true);
}

bool RecordingWindowSystem::thread32Next(KernelHandle snapshot, ThreadEntry& entry) {
    log(call::WalkThreads{snapshot, false});
    return nextThreadEntry(snapshot, entry, false);
}

bool RecordingWindowSystem::enumThreadWindows(std::uint32_t threadId,
                                              const std::function<bool(WindowHandle)>& visit) {
    log(call::EnumerateWindows{threadId});
    std::vector<WindowHandle> list;
    for (const WindowHandle w : windowOrder_) {
        if (windows_.at(w).threadId == threadId) {
            list.push_back(w);
        }
    }
    if (list.empty()) {
        return false;
    }
    for (const WindowHandle w : list) {
        if (!visit(w)) {
            return false;
        }
    }
    return true;
}

WindowHandle RecordingWindowSystem::getParent(WindowHandle window) {
    log(call::ParentOf{window});
    const auto it = windows_.find(window);
    if (it == windows_.end() || !it->second.popup) {
        return kNoWindow;
    }
    return it->second.owner;
}

}  // namespace quelvin

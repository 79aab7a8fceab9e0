#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <utility>

#include "platform/text.h"

namespace quelvin {

// Pointer-sized values as Windows passes them. A null window is 0.
using WindowHandle = std::uintptr_t;
using MessageId = std::uint32_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
// A window procedure as SetWindowLongPtrA(GWLP_WNDPROC) hands it out and takes it back.
// Only the window system knows how to call one.
using WindowProcedure = std::intptr_t;
// A kernel object (waitable timer, Tool Help snapshot). A failed creation gives 0.
using KernelHandle = std::uintptr_t;

constexpr WindowHandle kNoWindow = 0;
constexpr KernelHandle kNoHandle = 0;

constexpr MessageId kWmQuit = 0x0012;
constexpr MessageId kWmKeyDown = 0x0100;
constexpr MessageId kWmKeyUp = 0x0101;
constexpr MessageId kWmChar = 0x0102;
constexpr MessageId kWmTimer = 0x0113;
constexpr MessageId kWmHotkey = 0x0312;
constexpr MessageId kWmUser = 0x0400;

// keybd_event flags.
constexpr std::uint32_t kKeyEventKeyUp = 0x0002;
// MapVirtualKeyA: virtual key to scan code.
constexpr std::uint32_t kMapVkToVsc = 0;

// MsgWaitForMultipleObjects.
constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
constexpr std::uint32_t kWaitObject0 = 0;
constexpr std::uint32_t kWaitTimeout = 258;
constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;
constexpr std::uint32_t kQsKey = 0x0001;
constexpr std::uint32_t kQsMouseMove = 0x0002;
constexpr std::uint32_t kQsMouseButton = 0x0004;
constexpr std::uint32_t kQsPostMessage = 0x0008;
constexpr std::uint32_t kQsTimer = 0x0010;
constexpr std::uint32_t kQsPaint = 0x0020;
constexpr std::uint32_t kQsSendMessage = 0x0040;
constexpr std::uint32_t kQsHotkey = 0x0080;

// CreateToolhelp32Snapshot.
constexpr std::uint32_t kTh32csSnapThread = 0x0004;
constexpr std::uint32_t kTh32csSnapAll = 0x000F;

// One entry of a Tool Help process walk: the id and the executable's file name (the name
// field up to its first zero byte).
struct ProcessEntry {
    std::uint32_t processId = 0;
    Text exeFile;
};

// One entry of a Tool Help thread walk.
struct ThreadEntry {
    std::uint32_t threadId = 0;
    std::uint32_t ownerProcessId = 0;
};

// An object of ours that takes a window's messages in place of its own procedure.
class MessageHook {
public:
    virtual LResult onMessage(WindowHandle window, MessageId message, WParam wParam,
                              LParam lParam) noexcept = 0;

protected:
    ~MessageHook() = default;
};

// The window-system services that sentence delivery, hotkeys and arming call, named after
// the Win32 operations behind them. All calls are made on the UI thread.
class WindowSystem {
public:
    // PostMessageA. Posting to no window queues a thread message for the UI thread.
    virtual bool postMessage(WindowHandle window, MessageId message, WParam wParam, LParam lParam) = 0;

    // MapVirtualKeyA and keybd_event.
    virtual std::uint32_t mapVirtualKey(std::uint32_t code, std::uint32_t mapType) = 0;
    virtual void keybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) = 0;

    // RegisterHotKey and UnregisterHotKey.
    virtual bool registerHotKey(WindowHandle window, int id, std::uint32_t modifiers, std::uint32_t vk) = 0;
    virtual bool unregisterHotKey(WindowHandle window, int id) = 0;

    // The procedure value that routes a window's messages to hook. There is one hook per
    // program; asking again with another hook replaces it.
    virtual WindowProcedure hookProcedure(MessageHook& hook) = 0;
    // SetWindowLongPtrA(GWLP_WNDPROC): installs procedure, returns the one it replaced (0 on
    // failure).
    virtual WindowProcedure setWindowProcedure(WindowHandle window, WindowProcedure procedure) = 0;
    // CallWindowProcA.
    virtual LResult callWindowProcedure(WindowProcedure procedure, WindowHandle window, MessageId message,
                                        WParam wParam, LParam lParam) = 0;

    // CreateWaitableTimerA(NULL, FALSE, NULL): an unnamed auto-reset timer, or 0.
    virtual KernelHandle createWaitableTimer() = 0;
    // SetWaitableTimer(timer, &dueTime, 0, NULL, NULL, FALSE). dueTime is in 100 ns units;
    // negative means relative to now.
    virtual bool setWaitableTimer(KernelHandle timer, std::int64_t dueTime) = 0;
    // CloseHandle.
    virtual bool closeHandle(KernelHandle handle) = 0;
    // MsgWaitForMultipleObjects(count, handles, FALSE, timeoutMs, wakeMask): kWaitObject0 + i
    // when handles[i] is signalled, kWaitObject0 + handles.size() when input of the masked
    // kinds is queued, kWaitTimeout or kWaitFailed.
    virtual std::uint32_t msgWaitForMultipleObjects(std::span<const KernelHandle> handles,
                                                    std::uint32_t timeoutMs, std::uint32_t wakeMask) = 0;

    // Dispatches the UI thread's queued messages one at a time (peek, then remove, translate
    // and dispatch) until the queue is empty or the next message is the quit request, which
    // stays queued for the main loop.
    virtual void processPendingMessages() = 0;

    // Milliseconds from a monotonic clock, for waits that cannot use a timer.
    virtual std::uint64_t tickCount() = 0;

    // Tool Help: CreateToolhelp32Snapshot (0 on failure), Process32First/Next,
    // Thread32First/Next.
    virtual KernelHandle createToolhelp32Snapshot(std::uint32_t flags, std::uint32_t processId) = 0;
    virtual bool process32First(KernelHandle snapshot, ProcessEntry& entry) = 0;
    virtual bool process32Next(KernelHandle snapshot, ProcessEntry& entry) = 0;
    virtual bool thread32First(KernelHandle snapshot, ThreadEntry& entry) = 0;
    virtual bool thread32Next(KernelHandle snapshot, ThreadEntry& entry) = 0;

    // EnumThreadWindows: visits the thread's top-level windows while visit returns true.
    virtual bool enumThreadWindows(std::uint32_t threadId,
                                   const std::function<bool(WindowHandle)>& visit) = 0;
    // GetParent: a top-level pop-up's owner, null for any other top-level window.
    virtual WindowHandle getParent(WindowHandle window) = 0;

protected:
    ~WindowSystem() = default;
};

// Owns one kernel handle and closes it through the window system, on every path.
class ScopedHandle {
public:
    ScopedHandle(WindowSystem& windowSystem, KernelHandle handle) : ws_(&windowSystem), handle_(handle) {}
    ScopedHandle(ScopedHandle&& other) noexcept
        : ws_(other.ws_), handle_(std::exchange(other.handle_, kNoHandle)) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) {
            reset();
            ws_ = other.ws_;
            handle_ = std::exchange(other.handle_, kNoHandle);
        }
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ~ScopedHandle() { reset(); }

    KernelHandle get() const { return handle_; }
    explicit operator bool() const { return handle_ != kNoHandle; }

    void reset() {
        if (handle_ != kNoHandle) {
            ws_->closeHandle(std::exchange(handle_, kNoHandle));
        }
    }

private:
    WindowSystem* ws_;
    KernelHandle handle_;
};

}  // namespace quelvin

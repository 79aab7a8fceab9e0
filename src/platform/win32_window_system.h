#pragma once

#include "platform/window_system.h"

namespace quelvin {

// The window-system services on real Windows: each call passes straight through to the
// ANSI Win32 function it is named after.
class Win32WindowSystem final : public WindowSystem {
public:
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
};

}  // namespace quelvin

#include "platform/win32_window_system.h"

// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <cstring>

namespace quelvin {

static_assert(sizeof(WindowHandle) == sizeof(HWND));
static_assert(sizeof(WParam) == sizeof(WPARAM));
static_assert(sizeof(LParam) == sizeof(LPARAM));
static_assert(sizeof(LResult) == sizeof(LRESULT));
static_assert(sizeof(WindowProcedure) == sizeof(LONG_PTR));
static_assert(sizeof(WindowProcedure) == sizeof(WNDPROC));
static_assert(sizeof(KernelHandle) == sizeof(HANDLE));

static_assert(kWmQuit == WM_QUIT);
static_assert(kWmKeyDown == WM_KEYDOWN);
static_assert(kWmKeyUp == WM_KEYUP);
static_assert(kWmChar == WM_CHAR);
static_assert(kWmTimer == WM_TIMER);
static_assert(kWmHotkey == WM_HOTKEY);
static_assert(kWmUser == WM_USER);

static_assert(kKeyEventKeyUp == KEYEVENTF_KEYUP);
static_assert(kMapVkToVsc == MAPVK_VK_TO_VSC);

static_assert(kInfinite == INFINITE);
static_assert(kWaitObject0 == WAIT_OBJECT_0);
static_assert(kWaitTimeout == WAIT_TIMEOUT);
static_assert(kWaitFailed == WAIT_FAILED);
static_assert(kQsKey == QS_KEY);
static_assert(kQsMouseMove == QS_MOUSEMOVE);
static_assert(kQsMouseButton == QS_MOUSEBUTTON);
static_assert(kQsPostMessage == QS_POSTMESSAGE);
static_assert(kQsTimer == QS_TIMER);
static_assert(kQsPaint == QS_PAINT);
static_assert(kQsSendMessage == QS_SENDMESSAGE);
static_assert(kQsHotkey == QS_HOTKEY);

static_assert(kTh32csSnapThread == TH32CS_SNAPTHREAD);
static_assert(kTh32csSnapAll == TH32CS_SNAPALL);
#if !defined(_WIN64)
// The sizes Process32First and Thread32First check in dwSize.
static_assert(sizeof(PROCESSENTRY32) == 296);
static_assert(sizeof(THREADENTRY32) == 28);
#endif

namespace {

HWND toHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle fromHwnd(HWND window) { return reinterpret_cast<WindowHandle>(window); }
HANDLE toHandle(KernelHandle handle) { return reinterpret_cast<HANDLE>(handle); }
KernelHandle fromHandle(HANDLE handle) { return reinterpret_cast<KernelHandle>(handle); }

// A window procedure receives no pointer to our object, so the one hook is found through
// this variable. Only the UI thread touches it.
MessageHook* gHook = nullptr;

LRESULT CALLBACK hookTrampoline(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (gHook == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return static_cast<LRESULT>(gHook->onMessage(fromHwnd(window), message, static_cast<WParam>(wParam),
                                                 static_cast<LParam>(lParam)));
}

BOOL CALLBACK visitThreadWindow(HWND window, LPARAM context) noexcept {
    const auto& visit = *reinterpret_cast<const std::function<bool(WindowHandle)>*>(context);
    return visit(fromHwnd(window)) ? TRUE : FALSE;
}

void copyEntry(const PROCESSENTRY32& from, ProcessEntry& to) {
    to.processId = from.th32ProcessID;
    // The name field is zero-terminated; strnlen keeps a full field from running past it.
    to.exeFile.assign(from.szExeFile, strnlen(from.szExeFile, sizeof(from.szExeFile)));
}

void copyEntry(const THREADENTRY32& from, ThreadEntry& to) {
    to.threadId = from.th32ThreadID;
    to.ownerProcessId = from.th32OwnerProcessID;
}

}  // namespace

bool Win32WindowSystem::postMessage(WindowHandle window, MessageId message, WParam wParam, LParam lParam) {
    return PostMessageA(toHwnd(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)) !=
           0;
}

std::uint32_t Win32WindowSystem::mapVirtualKey(std::uint32_t code, std::uint32_t mapType) {
    return MapVirtualKeyA(code, mapType);
}

void Win32WindowSystem::keybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) {
    keybd_event(vk, scan, flags, 0);
}

bool Win32WindowSystem::registerHotKey(WindowHandle window, int id, std::uint32_t modifiers,
                                       std::uint32_t vk) {
    return RegisterHotKey(toHwnd(window), id, modifiers, vk) != 0;
}

bool Win32WindowSystem::unregisterHotKey(WindowHandle window, int id) {
    return UnregisterHotKey(toHwnd(window), id) != 0;
}

WindowProcedure Win32WindowSystem::hookProcedure(MessageHook& hook) {
    gHook = &hook;
    return reinterpret_cast<WindowProcedure>(&hookTrampoline);
}

WindowProcedure Win32WindowSystem::setWindowProcedure(WindowHandle window, WindowProcedure procedure) {
    return static_cast<WindowProcedure>(
        SetWindowLongPtrA(toHwnd(window), GWLP_WNDPROC, static_cast<LONG_PTR>(procedure)));
}

LResult Win32WindowSystem::callWindowProcedure(WindowProcedure procedure, WindowHandle window,
                                               MessageId message, WParam wParam, LParam lParam) {
    return static_cast<LResult>(CallWindowProcA(reinterpret_cast<WNDPROC>(procedure), toHwnd(window), message,
                                                static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

KernelHandle Win32WindowSystem::createWaitableTimer() {
    return fromHandle(CreateWaitableTimerA(nullptr, FALSE, nullptr));
}

bool Win32WindowSystem::setWaitableTimer(KernelHandle timer, std::int64_t dueTime) {
    LARGE_INTEGER due;
    due.QuadPart = dueTime;
    return SetWaitableTimer(toHandle(timer), &due, 0, nullptr, nullptr, FALSE) != 0;
}

bool Win32WindowSystem::closeHandle(KernelHandle handle) { return CloseHandle(toHandle(handle)) != 0; }

std::uint32_t Win32WindowSystem::msgWaitForMultipleObjects(std::span<const KernelHandle> handles,
                                                           std::uint32_t timeoutMs, std::uint32_t wakeMask) {
    if (handles.size() > MAXIMUM_WAIT_OBJECTS) {
        return WAIT_FAILED;
    }
    HANDLE raw[MAXIMUM_WAIT_OBJECTS];
    for (std::size_t i = 0; i < handles.size(); ++i) {
        raw[i] = toHandle(handles[i]);
    }
    return MsgWaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.empty() ? nullptr : raw,
                                     FALSE, timeoutMs, wakeMask);
}

void Win32WindowSystem::processPendingMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (msg.message == WM_QUIT) {
            return;
        }
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            return;
        }
        if (msg.message == WM_QUIT) {
            // The peek that removes may return another message than the one looked at
            // (sent messages are handled inside it); a quit request taken that way is put
            // back, because only the main loop may end the program.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

std::uint64_t Win32WindowSystem::tickCount() {
    // GetTickCount steps in 10-16 ms on Windows; the performance counter gives true
    // milliseconds for the waits that must last at least a given time.
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    const auto f = static_cast<std::uint64_t>(frequency.QuadPart);
    const auto c = static_cast<std::uint64_t>(counter.QuadPart);
    return c / f * 1000 + c % f * 1000 / f;
}

KernelHandle Win32WindowSystem::createToolhelp32Snapshot(std::uint32_t flags, std::uint32_t processId) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(flags, processId);
    return snapshot == INVALID_HANDLE_VALUE ? kNoHandle : fromHandle(snapshot);
}

bool Win32WindowSystem::process32First(KernelHandle snapshot, ProcessEntry& entry) {
    PROCESSENTRY32 raw;
    std::memset(&raw, 0, sizeof(raw));
    raw.dwSize = sizeof(raw);
    if (!Process32First(toHandle(snapshot), &raw)) {
        return false;
    }
    copyEntry(raw, entry);
    return true;
}

bool Win32WindowSystem::process32Next(KernelHandle snapshot, ProcessEntry& entry) {
    PROCESSENTRY32 raw;
    std::memset(&raw, 0, sizeof(raw));
    raw.dwSize = sizeof(raw);
    if (!Process32Next(toHandle(snapshot), &raw)) {
        return false;
    }
    copyEntry(raw, entry);
    return true;
}

bool Win32WindowSystem::thread32First(KernelHandle snapshot, ThreadEntry& entry) {
    THREADENTRY32 raw;
    std::memset(&raw, 0, sizeof(raw));
    raw.dwSize = sizeof(raw);
    if (!Thread32First(toHandle(snapshot), &raw)) {
        return false;
    }
    copyEntry(raw, entry);
    return true;
}

bool Win32WindowSystem::thread32Next(KernelHandle snapshot, ThreadEntry& entry) {
    THREADENTRY32 raw;
    std::memset(&raw, 0, sizeof(raw));
    raw.dwSize = sizeof(raw);
    if (!Thread32Next(toHandle(snapshot), &raw)) {
        return false;
    }
    copyEntry(raw, entry);
    return true;
}

bool Win32WindowSystem::enumThreadWindows(std::uint32_t threadId,
                                          const std::function<bool(WindowHandle)>& visit) {
    return EnumThreadWindows(threadId, &visitThreadWindow, reinterpret_cast<LPARAM>(&visit)) != 0;
}

WindowHandle Win32WindowSystem::getParent(WindowHandle window) { return fromHwnd(GetParent(toHwnd(window))); }

}  // namespace quelvin

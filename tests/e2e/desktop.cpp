#include "desktop.h"

#include <cstdio>
#include <map>

namespace quelvin::e2e {

namespace {

constexpr DWORD kAnswerTimeoutMs = 2000;
constexpr char kSolidClass[] = "QuelvinE2eSolid";

// Presses of the hotkeys this thread holds, by id.
std::map<int, int> gHotkeyPresses;

void dispatchPending() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_HOTKEY && message.hwnd == nullptr) {
            ++gHotkeyPresses[static_cast<int>(message.wParam)];
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

BYTE scanOf(BYTE vk) { return static_cast<BYTE>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)); }

BOOL CALLBACK collectTopLevel(HWND window, LPARAM context) {
    auto* found = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == found->first) found->second.push_back(window);
    return TRUE;
}

LRESULT CALLBACK solidProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client,
                 reinterpret_cast<HBRUSH>(GetWindowLongPtrA(window, GWLP_USERDATA)));
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void registerSolidClass() {
    static const bool registered = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = solidProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kSolidClass;
        return RegisterClassA(&windowClass) != 0;
    }();
    (void)registered;
}

}  // namespace

bool waitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD stepMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        dispatchPending();
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, stepMs, QS_ALLINPUT);
    }
}

void pumpFor(DWORD ms) {
    waitUntil([] { return false; }, ms);
}

void pressKey(BYTE vk, std::initializer_list<BYTE> modifiers) {
    for (BYTE modifier : modifiers) keybd_event(modifier, scanOf(modifier), 0, 0);
    keybd_event(vk, scanOf(vk), 0, 0);
    keybd_event(vk, scanOf(vk), KEYEVENTF_KEYUP, 0);
    for (BYTE modifier : modifiers) keybd_event(modifier, scanOf(modifier), KEYEVENTF_KEYUP, 0);
}

bool pointAt(POINT point) {
    // Under Wine a program passes on pointer positions the display reported to it, and one
    // still on its way can undo a move made here a moment before; so the move is made again
    // until it stays.
    int steady = 0;
    return waitUntil(
        [&] {
            POINT now{};
            GetCursorPos(&now);
            if (now.x == point.x && now.y == point.y) return ++steady >= 3;
            steady = 0;
            SetCursorPos(point.x, point.y);
            return false;
        },
        3000, 15);
}

void clickAt(POINT point, bool rightButton) {
    pointAt(point);
    const DWORD down = rightButton ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    const DWORD up = rightButton ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    mouse_event(down, 0, 0, 0, 0);
    mouse_event(up, 0, 0, 0, 0);
}

void moveMouseTo(POINT point) {
    // Absolute coordinates are normalized to 0..65535 across the primary screen.
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const auto normalized = [](int pixel, int size) {
        return static_cast<DWORD>((pixel * 65536 + size - 1) / size);
    };
    mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, normalized(point.x, width),
                normalized(point.y, height), 0, 0);
}

void leftButton(bool down) { mouse_event(down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP, 0, 0, 0, 0); }

bool hotkeyHeld(UINT vk) {
    // The id only has to be unique within this thread.
    constexpr int kProbeId = 0x7E00;
    if (!RegisterHotKey(nullptr, kProbeId, 0, vk)) return true;
    UnregisterHotKey(nullptr, kProbeId);
    return false;
}

HeldHotkey::HeldHotkey(UINT vk) : id_(0x7F00 + static_cast<int>(vk)) {
    held_ = RegisterHotKey(nullptr, id_, 0, vk) != 0;
    gHotkeyPresses[id_] = 0;
}

void HeldHotkey::release() {
    if (held_) UnregisterHotKey(nullptr, id_);
    held_ = false;
}

int HeldHotkey::presses() const { return gHotkeyPresses[id_]; }

Rgb screenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return rgbOf(colour);
}

std::vector<Rgb> captureScreen(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    std::vector<Rgb> pixels;
    if (width <= 0 || height <= 0) return pixels;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory != nullptr && bitmap != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        // CAPTUREBLT: on Windows a copy from the screen leaves layered windows out without it.
        if (BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT)) {
            GdiFlush();
            const auto* row = static_cast<const std::uint32_t*>(bits);
            pixels.assign(row, row + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
            for (Rgb& pixel : pixels) pixel &= 0x00FFFFFF;  // a DIB holds 0x00RRGGBB already
        }
        SelectObject(memory, previous);
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    if (memory != nullptr) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

SolidWindow::SolidWindow(const RECT& area, COLORREF colour) : brush_(CreateSolidBrush(colour)) {
    registerSolidClass();
    window_ = CreateWindowExA(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kSolidClass, "", WS_POPUP, area.left,
                              area.top, area.right - area.left, area.bottom - area.top, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    if (window_ != nullptr) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(brush_));
        ShowWindow(window_, SW_SHOWNA);
        UpdateWindow(window_);
    }
}

SolidWindow::~SolidWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
    DeleteObject(brush_);
}

std::vector<HWND> topLevelWindowsOf(DWORD processId) {
    std::pair<DWORD, std::vector<HWND>> found{processId, {}};
    EnumWindows(collectTopLevel, reinterpret_cast<LPARAM>(&found));
    return found.second;
}

std::vector<HWND> childWindowsOf(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

std::string classNameOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

Text windowTextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &length)) {
        return {};
    }
    // The length may count more than the bytes that come; the copy says how many came.
    std::vector<char> buffer(static_cast<std::size_t>(length) * 2 + 2);
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &copied)) {
        return {};
    }
    return Text(buffer.data(), static_cast<std::size_t>(copied));
}

RECT windowRectOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT clientRectInParent(HWND child) {
    RECT rect = windowRectOf(child);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string describeRect(const RECT& rect) {
    char text[96];
    std::snprintf(text, sizeof(text), "(%ld,%ld)-(%ld,%ld) %ldx%ld", rect.left, rect.top, rect.right,
                  rect.bottom, rect.right - rect.left, rect.bottom - rect.top);
    return text;
}

std::string printable(const Text& text) {
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && b != '\\') {
            out += c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof(escape), "\\x%02X", b);
            out += escape;
        }
    }
    return out;
}

std::string describeWindow(HWND window) {
    char head[64];
    std::snprintf(head, sizeof(head), "%p ", static_cast<void*>(window));
    char styles[64];
    std::snprintf(styles, sizeof(styles), " style=%08lX exstyle=%08lX",
                  static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)),
                  static_cast<unsigned long>(GetWindowLongA(window, GWL_EXSTYLE)));
    return head + classNameOf(window) + " \"" + printable(windowTextOf(window)) + "\" " +
           describeRect(windowRectOf(window)) + (IsWindowVisible(window) ? " visible" : " hidden") + styles;
}

}  // namespace quelvin::e2e

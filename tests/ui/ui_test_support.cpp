#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "ui/imaging.h"

namespace quelvin::test {

using namespace Gdiplus::DllExports;

namespace {

class ImagingEnvironment : public ::testing::Environment {
public:
    void SetUp() override { startImaging(); }
};

[[maybe_unused]] auto* const gImaging = ::testing::AddGlobalTestEnvironment(new ImagingEnvironment);

// The GDI+ PNG encoder.
constexpr CLSID kPngEncoder = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

LRESULT CALLBACK plainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

const char* plainClass() {
    static const char* const name = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = plainProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.lpszClassName = "QuelvinTestPlain";
        RegisterClassA(&windowClass);
        return "QuelvinTestPlain";
    }();
    return name;
}

LRESULT CALLBACK backdropProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client,
                 reinterpret_cast<HBRUSH>(GetWindowLongPtrA(window, GWLP_USERDATA)));
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

const char* backdropClass() {
    static const char* const name = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = backdropProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "QuelvinTestBackdrop";
        RegisterClassA(&windowClass);
        return "QuelvinTestBackdrop";
    }();
    return name;
}

}  // namespace

const GUID* frameDimension() {
    static GUID guid = [] {
        GUID parsed;
        parseGuid(kFrameDimensionTimeText, &parsed);
        return parsed;
    }();
    return &guid;
}

std::vector<unsigned char> makePng(int width, int height, const std::function<Argb(int x, int y)>& pixel) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &bitmap);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) GdipBitmapSetPixel(bitmap, x, y, pixel(x, y));
    }
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    GdipSaveImageToStream(bitmap, stream, &kPngEncoder, nullptr);
    GdipDisposeImage(bitmap);

    std::vector<unsigned char> bytes;
    STATSTG stat{};
    HGLOBAL memory = nullptr;
    if (stream->Stat(&stat, STATFLAG_NONAME) == S_OK && GetHGlobalFromStream(stream, &memory) == S_OK) {
        bytes.resize(static_cast<std::size_t>(stat.cbSize.QuadPart));
        std::memcpy(bytes.data(), GlobalLock(memory), bytes.size());
        GlobalUnlock(memory);
    }
    stream->Release();
    return bytes;
}

std::vector<unsigned char> quadrantPicture() {
    return makePng(123, 40, [](int x, int y) -> Argb {
        if (x < 10 && y < 10) return kTransparent;
        if (y < 20) return x < 61 ? kRed : kGreen;
        return x < 61 ? kBlue : kYellow;
    });
}

std::vector<unsigned char> solidPicture(Argb colour) {
    return makePng(123, 40, [colour](int x, int y) -> Argb {
        const bool corner = (x == 0 || x == 122) && (y == 0 || y == 39);
        return corner ? kTransparent : colour;
    });
}

namespace {
std::function<bool(MSG*)> gMessageFilter;
}  // namespace

void setMessageFilter(std::function<bool(MSG*)> filter) { gMessageFilter = std::move(filter); }

void pumpFor(DWORD ms) {
    pumpUntil([] { return false; }, ms);
}

bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (gMessageFilter && gMessageFilter(&message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

Argb screenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return (static_cast<Argb>(GetRValue(colour)) << 16) | (static_cast<Argb>(GetGValue(colour)) << 8) |
           GetBValue(colour);
}

Backdrop::Backdrop(RECT area, Argb colour)
    : brush_(CreateSolidBrush(RGB((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF))),
      window_(CreateWindowExA(WS_EX_NOACTIVATE, backdropClass(), "", WS_POPUP, area.left, area.top,
                              area.right - area.left, area.bottom - area.top, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr)) {
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(brush_));
    ShowWindow(window_, SW_SHOWNA);
    UpdateWindow(window_);
}

Backdrop::~Backdrop() {
    DestroyWindow(window_);
    DeleteObject(brush_);
}

PlainWindow::PlainWindow(RECT area, DWORD exStyle, bool visible)
    : window_(CreateWindowExA(exStyle, plainClass(), "", WS_POPUP, area.left, area.top,
                              area.right - area.left, area.bottom - area.top, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr)) {
    if (visible) ShowWindow(window_, SW_SHOWNA);
}

PlainWindow::~PlainWindow() { DestroyWindow(window_); }

TempDirectory::TempDirectory() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static int serial = 0;
    for (;;) {
        path_ = std::string(base) + "quelvin-ui-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++serial);
        if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    }
}

TempDirectory::~TempDirectory() {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((path_ + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string full = path_ + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveDirectoryA(full.c_str());
            } else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(path_.c_str());
}

std::string TempDirectory::file(const char* name) const { return path_ + "\\" + name; }

std::string readFile(const std::string& path) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

void writeFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
}

bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void pressKey(BYTE key, std::initializer_list<BYTE> modifiers) {
    const auto scan = [](BYTE vk) { return static_cast<BYTE>(MapVirtualKeyA(vk, 0)); };
    for (BYTE modifier : modifiers) keybd_event(modifier, scan(modifier), 0, 0);
    keybd_event(key, scan(key), 0, 0);
    keybd_event(key, scan(key), KEYEVENTF_KEYUP, 0);
    for (BYTE modifier : modifiers) keybd_event(modifier, scan(modifier), KEYEVENTF_KEYUP, 0);
}

RECT childRect(HWND child) {
    RECT rect = windowRect(child);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string windowText(HWND window) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::string className(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

RECT windowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

bool isTopmost(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

}  // namespace quelvin::test

// Meteor.exe: a stand-in for the game, for tests that run on Windows (Wine here).
//
// Its first thread owns an unowned main window and a pop-up window owned by it, the shape
// the game window finder looks for. Every WM_KEYDOWN, WM_KEYUP and WM_CHAR it takes from its
// queue is written to a log before anything else happens to it. It never calls
// TranslateMessage, so the log holds exactly what was posted, and nothing made from it.
//
// Command line (options in any order):
//   --log <path>       Append one line per logged message, flushed at once:
//                        <receivedUs> <postedMs> <KEYDOWN|KEYUP|CHAR> <wParam> <lParam>
//                      receivedUs: QueryPerformanceCounter when taken from the queue, in
//                      microseconds. postedMs: the message's time (GetTickCount when it was
//                      posted). wParam and lParam in decimal.
//   --ready <path>     Once the windows exist, write
//                        main=<hwnd> popup=<hwnd> pid=<process id> tid=<thread id>
//                      (handles in decimal, popup=0 without one) to <path>.tmp and rename it
//                      to <path>, so a reader never sees half a file.
//   --no-popup         Create the main window only: the finder must then find nothing.
//   --show             Show the windows (without activating them). They are hidden by
//                      default: hidden windows are found and take posts all the same, and a
//                      process that showed a window takes Wine about 2 s longer to exit.
//   --max-seconds <n>  Exit by itself after n seconds (default 300), so a test that dies
//                      cannot leave the game running for long.
// Ending it: post WM_CLOSE to the main window (exit status 0), or terminate it.
// The window class is "QuelvinTestGame".

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kClassName[] = "QuelvinTestGame";
constexpr UINT_PTR kLifetimeTimer = 1;

HWND gMain = nullptr;

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_TIMER:
            if (wParam == kLifetimeTimer) {
                DestroyWindow(gMain);
            }
            return 0;
        case WM_DESTROY:
            if (window == gMain) {
                PostQuitMessage(0);
            }
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

const char* kindOf(UINT message) {
    switch (message) {
        case WM_KEYDOWN:
            return "KEYDOWN";
        case WM_KEYUP:
            return "KEYUP";
        case WM_CHAR:
            return "CHAR";
        default:
            return nullptr;
    }
}

long long nowMicroseconds() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return counter.QuadPart / frequency.QuadPart * 1000000 +
           counter.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
}

bool writeReadyFile(const std::string& path, HWND main, HWND popup) {
    const std::string temporary = path + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    std::fprintf(file, "main=%lu popup=%lu pid=%lu tid=%lu\n",
                 static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(main)),
                 static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(popup)), GetCurrentProcessId(),
                 GetCurrentThreadId());
    std::fclose(file);
    return MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    std::string logPath;
    std::string readyPath;
    bool popup = true;
    bool show = false;
    long maxSeconds = 300;
    for (int i = 1; i < __argc; ++i) {
        const std::string arg = __argv[i];
        const bool hasValue = i + 1 < __argc;
        if (arg == "--log" && hasValue) {
            logPath = __argv[++i];
        } else if (arg == "--ready" && hasValue) {
            readyPath = __argv[++i];
        } else if (arg == "--max-seconds" && hasValue) {
            maxSeconds = std::strtol(__argv[++i], nullptr, 10);
        } else if (arg == "--no-popup") {
            popup = false;
        } else if (arg == "--show") {
            show = true;
        } else {
            return 2;
        }
    }

    FILE* log = logPath.empty() ? nullptr : std::fopen(logPath.c_str(), "ab");
    if (!logPath.empty() && log == nullptr) {
        return 3;
    }

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    if (RegisterClassA(&windowClass) == 0) {
        return 4;
    }
    gMain = CreateWindowExA(0, kClassName, "Meteor", WS_OVERLAPPEDWINDOW, 500, 300, 320, 240, nullptr,
                            nullptr, instance, nullptr);
    HWND popupWindow = nullptr;
    if (popup) {
        popupWindow = CreateWindowExA(0, kClassName, "Meteor pop-up", WS_POPUP | WS_BORDER, 520, 320, 120, 60,
                                      gMain, nullptr, instance, nullptr);
    }
    if (gMain == nullptr || (popup && popupWindow == nullptr)) {
        return 5;
    }
    if (show) {
        // Without taking activation from the program under test.
        ShowWindow(gMain, SW_SHOWNA);
        if (popupWindow != nullptr) {
            ShowWindow(popupWindow, SW_SHOWNA);
        }
    }
    if (maxSeconds > 0) {
        SetTimer(gMain, kLifetimeTimer, static_cast<UINT>(maxSeconds * 1000), nullptr);
    }
    if (!readyPath.empty() && !writeReadyFile(readyPath, gMain, popupWindow)) {
        return 6;
    }

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (const char* kind = kindOf(msg.message); kind != nullptr && log != nullptr) {
            std::fprintf(log, "%lld %lu %s %lu %ld\n", nowMicroseconds(),
                         static_cast<unsigned long>(msg.time), kind, static_cast<unsigned long>(msg.wParam),
                         static_cast<long>(msg.lParam));
            std::fflush(log);
        }
        DispatchMessageA(&msg);
    }
    if (log != nullptr) {
        std::fclose(log);
    }
    return static_cast<int>(msg.wParam);
}

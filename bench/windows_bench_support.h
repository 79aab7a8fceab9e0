#pragma once

// What the Windows benchmarks share: the clock the test game logs with, a hidden stand-in for
// the badge window, and a summary of repeated measurements.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace quelvin::bench {

// The performance counter in microseconds, exactly as the test game stamps what it receives,
// so that times taken here and there can be subtracted (the counter is system-wide).
inline long long nowMicroseconds() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return counter.QuadPart / frequency.QuadPart * 1000000 +
           counter.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
}

// A hidden top-level window with the default procedure, where hotkeys are registered as on
// the badge window.
class HiddenWindow {
public:
    HiddenWindow() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "QuelvinBenchWindow";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(WS_EX_TOOLWINDOW, "QuelvinBenchWindow", "", WS_POPUP, 0, 0, 123, 40,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;
    ~HiddenWindow() { DestroyWindow(window_); }
    HWND get() const { return window_; }

private:
    HWND window_;
};

// Minimum, median and maximum of a set of durations in microseconds.
struct Summary {
    double min = 0;
    double median = 0;
    double max = 0;
};

inline Summary summarize(std::vector<double> values) {
    if (values.empty()) {
        return {};
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 != 0 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {values.front(), median, values.back()};
}

// One figure line: "  <what>  min ...  median ...  max ... <unit>  (n runs)". Values are
// microseconds, shown divided by scale (1000 for milliseconds).
inline void printSummary(const char* what, const Summary& s, double scale, const char* unit,
                         std::size_t runs) {
    const int decimals = scale >= 1000.0 ? 3 : 0;
    std::printf("  %-58s min %9.*f  median %9.*f  max %9.*f %s  (%zu runs)\n", what, decimals, s.min / scale,
                decimals, s.median / scale, decimals, s.max / scale, unit, runs);
}

}  // namespace quelvin::bench

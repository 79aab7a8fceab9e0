// hotkey_probe.exe: tells a Windows test which hotkeys another program could take, which
// is how the test sees what its own process holds (a key registered by any program cannot
// be registered again, system-wide).
//
// Command line: hotkey_probe.exe <vk> [<vk> ...]   (virtual keys in decimal, at most 30)
// For each key it tries RegisterHotKey without modifiers and at once gives back what it got.
// Exit status: bit i is set when the i-th key could be registered, i.e. nobody held it;
// 0x40000000 on a bad command line.

#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    constexpr int kBadCommandLine = 0x40000000;
    if (__argc < 2 || __argc > 31) {
        return kBadCommandLine;
    }
    int freeKeys = 0;
    for (int i = 1; i < __argc; ++i) {
        const long vk = std::strtol(__argv[i], nullptr, 10);
        if (vk <= 0 || vk > 0xFE) {
            return kBadCommandLine;
        }
        if (RegisterHotKey(nullptr, i, 0, static_cast<UINT>(vk))) {
            freeKeys |= 1 << (i - 1);
            UnregisterHotKey(nullptr, i);
        }
    }
    return freeKeys;
}

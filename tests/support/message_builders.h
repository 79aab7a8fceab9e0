#pragma once

// Short ways to write what a game window is expected to receive.

#include <vector>

#include "platform/text.h"
#include "recording_window_system.h"

namespace quelvin {

using Messages = std::vector<Received>;

// WM_KEYDOWN and WM_KEYUP of vk at atMs.
inline Messages keyPressAt(std::int64_t atMs, std::uint32_t vk) {
    return {{atMs, kWmKeyDown, vk, 0}, {atMs, kWmKeyUp, vk, 0}};
}

// One WM_CHAR per byte of text at atMs.
inline Messages charsAt(std::int64_t atMs, const Text& text) {
    Messages out;
    for (const char b : text) {
        out.push_back({atMs, kWmChar, static_cast<unsigned char>(b), 0});
    }
    return out;
}

inline Messages operator+(Messages a, const Messages& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace quelvin

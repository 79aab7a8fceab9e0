#pragma once

// Which of its three pictures the badge shows, read off the screen.
//
// The program tells its arming state only through the badge picture, so this is how a test
// knows that the hotkeys are live (or off) before it presses a key. Probing the keys with
// RegisterHotKey would race with the program registering them.

#include <windows.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "desktop.h"
#include "hotkeys/badge_view.h"

namespace quelvin::e2e {

class BadgeFaces {
public:
    static constexpr int kWidth = 123;
    static constexpr int kHeight = 40;

    // Decodes the three embedded pictures (the bytes the program carries) with GDI+.
    BadgeFaces();

    // False (with error() saying why) if a picture could not be decoded.
    bool ready() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    // The picture a 123 x 40 screen capture shows, if exactly one fits. A picture fits when
    // every one of its fully opaque pixels is on screen as it is in the picture: those look
    // the same whatever lies behind the badge, and enough of them differ between any two
    // pictures (the state text) to tell them apart.
    std::optional<BadgeImage> recognize(const std::vector<Rgb>& capture) const;
    // The same for what the screen shows now at the window's place.
    std::optional<BadgeImage> recognizeOnScreen(HWND badge) const;

    // Fully opaque pixels of the picture whose screen colour differs, for failure messages.
    int mismatches(BadgeImage image, const std::vector<Rgb>& capture) const;

    static const char* nameOf(BadgeImage image);
    static std::string nameOf(const std::optional<BadgeImage>& image);

private:
    struct Picture {
        std::vector<std::uint32_t> argb;  // 0xAARRGGBB, row by row
    };
    std::array<Picture, 3> pictures_;
    std::string error_;
};

}  // namespace quelvin::e2e

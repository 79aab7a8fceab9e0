#pragma once

#include <cstddef>

#include "hotkeys/badge_view.h"

namespace quelvin {

// A complete PNG file held in the program's own image (see cmake/assets.cmake).
struct PictureBytes {
    const unsigned char* data;
    std::size_t size;
};

// The embedded picture for a badge state: a 123 x 40 RGBA PNG. The bytes live for the
// whole run and must not be freed.
PictureBytes badgePicture(BadgeImage image);

}  // namespace quelvin

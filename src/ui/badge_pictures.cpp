#include "ui/badge_pictures.h"

namespace quelvin {

// Defined in the sources that the build generates from assets/*.png.
extern const unsigned char kGameNotRunningPng[];
extern const std::size_t kGameNotRunningPngSize;
extern const unsigned char kHotkeysOnPng[];
extern const std::size_t kHotkeysOnPngSize;
extern const unsigned char kHotkeysOffPng[];
extern const std::size_t kHotkeysOffPngSize;

PictureBytes badgePicture(BadgeImage image) {
    switch (image) {
        case BadgeImage::GameNotRunning:
            return {kGameNotRunningPng, kGameNotRunningPngSize};
        case BadgeImage::HotkeysOn:
            return {kHotkeysOnPng, kHotkeysOnPngSize};
        case BadgeImage::HotkeysOff:
            return {kHotkeysOffPng, kHotkeysOffPngSize};
    }
    // A value outside the enumeration: no picture, which the renderer refuses to decode,
    // so the badge keeps what it shows.
    return {nullptr, 0};
}

}  // namespace quelvin

#pragma once

#include <ostream>
#include <vector>

#include "hotkeys/badge_view.h"

namespace quelvin {

inline void PrintTo(BadgeImage image, std::ostream* os) {
    switch (image) {
        case BadgeImage::GameNotRunning:
            *os << "GameNotRunning";
            return;
        case BadgeImage::HotkeysOn:
            *os << "HotkeysOn";
            return;
        case BadgeImage::HotkeysOff:
            *os << "HotkeysOff";
            return;
    }
    *os << "BadgeImage(" << static_cast<int>(image) << ")";
}

// Remembers every picture the badge was asked to show.
class RecordingBadgeView final : public BadgeView {
public:
    void showBadge(BadgeImage image) override { shown_.push_back(image); }

    const std::vector<BadgeImage>& shown() const { return shown_; }
    // What the badge shows now: GameNotRunning at start, as the badge window puts it up.
    BadgeImage current() const { return shown_.empty() ? BadgeImage::GameNotRunning : shown_.back(); }
    void clear() { shown_.clear(); }

private:
    std::vector<BadgeImage> shown_;
};

}  // namespace quelvin

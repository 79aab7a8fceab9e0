#pragma once

namespace quelvin {

// The three pictures the badge can show.
enum class BadgeImage { GameNotRunning, HotkeysOn, HotkeysOff };

// What the arming controller asks of the badge window.
class BadgeView {
public:
    virtual void showBadge(BadgeImage image) = 0;

protected:
    ~BadgeView() = default;
};

}  // namespace quelvin

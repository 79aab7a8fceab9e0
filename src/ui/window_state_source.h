#pragma once

#include "settings/settings.h"

namespace quelvin {

// What the settings window asks of the badge window when it saves: where the badge stands
// and the check marks of its two menu flags, at that moment.
class WindowStateSource {
public:
    virtual WindowState badgeWindowState() = 0;

protected:
    ~WindowStateSource() = default;
};

}  // namespace quelvin

#pragma once

#include "platform/text.h"
#include "settings/settings.h"

namespace quelvin {

// The live sentence settings. The settings window answers from its row k (1..10) at the
// moment of the call, so an edit takes effect at the next key press without saving.
class SlotSource {
public:
    virtual Text rowText(int k) = 0;
    virtual KeyMode rowKeyMode(int k) = 0;

protected:
    ~SlotSource() = default;
};

}  // namespace quelvin

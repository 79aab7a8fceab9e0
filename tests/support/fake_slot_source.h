#pragma once

#include "delivery/slot_source.h"
#include "settings/settings.h"

namespace quelvin {

// The settings window's rows as plain values a test can change between presses.
class FakeSlotSource final : public SlotSource {
public:
    void set(int k, const Text& text, KeyMode mode = kKeyModeChatP) {
        settings_.slots.at(k - 1) = {text, mode};
    }
    void setText(int k, const Text& text) { settings_.slots.at(k - 1).text = text; }
    void setKeyMode(int k, KeyMode mode) { settings_.slots.at(k - 1).keyMode = mode; }

    Text rowText(int k) override { return settings_.slots.at(k - 1).text; }
    KeyMode rowKeyMode(int k) override { return settings_.slots.at(k - 1).keyMode; }

private:
    Settings settings_;
};

}  // namespace quelvin

#pragma once

#include <vector>

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

    Text rowText(int k) override {
        textReads_.push_back(k);
        return settings_.slots.at(k - 1).text;
    }
    KeyMode rowKeyMode(int k) override { return settings_.slots.at(k - 1).keyMode; }

    // The rows whose text was read, in order: which slot triggers ran.
    const std::vector<int>& textReads() const { return textReads_; }

private:
    Settings settings_;
    std::vector<int> textReads_;
};

}  // namespace quelvin

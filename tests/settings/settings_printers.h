#pragma once

#include <gtest/gtest.h>

#include <ostream>

#include "settings/config_file.h"
#include "settings/settings.h"

// Readable failure messages for the settings types. GoogleTest finds PrintTo by argument-
// dependent lookup, so these live in the types' own namespace.
namespace quelvin {

inline void PrintTo(const SlotSettings& s, std::ostream* os) {
    *os << "{text " << ::testing::PrintToString(s.text) << ", keyMode " << s.keyMode << "}";
}

inline void PrintTo(const WindowState& w, std::ostream* os) {
    *os << "{left " << w.left << ", top " << w.top << ", moveFreely " << w.moveFreely << ", alwaysOnTop "
        << w.alwaysOnTop << "}";
}

inline void PrintTo(const DecodedSlots& d, std::ostream* os) {
    *os << "{sentences " << ::testing::PrintToString(d.sentences) << ", keys "
        << ::testing::PrintToString(d.keys) << "}";
}

}  // namespace quelvin

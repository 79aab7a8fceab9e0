#pragma once

#include <optional>
#include <vector>

#include "platform/text.h"
#include "settings/settings.h"

namespace quelvin {

// The configuration file is one line-less GBK text: the ten sentences, the ten key
// selections and the badge's window state, as three sections:
//
//   T1 kSentenceSeparator T2 ... T10 kSectionSeparator
//   K1 kKeySeparator K2 ... K10 kSectionSeparator
//   LEFT | TOP | MOVE | ONTOP
//
// Nothing is quoted or escaped; the odd separator strings keep a sentence from holding one
// by accident. Every saved file must keep reading back, so these bytes never change.

// "asfasf这个东西千万不要动125asfsa" (32 bytes)
inline const Text kSectionSeparator =
    "asfasf"
    "\xD5\xE2\xB8\xF6\xB6\xAB\xCE\xF7"  // 这个东西
    "\xC7\xA7\xCD\xF2"                  // 千万
    "\xB2\xBB\xD2\xAA\xB6\xAF"          // 不要动
    "125asfsa";

// "这个东西不要动qwerty147896541dfe" (32 bytes)
inline const Text kSentenceSeparator =
    "\xD5\xE2\xB8\xF6\xB6\xAB\xCE\xF7"  // 这个东西
    "\xB2\xBB\xD2\xAA\xB6\xAF"          // 不要动
    "qwerty147896541dfe";

// "这个东西不要动啊qwerty147896541dfe" (34 bytes): the sentence separator with 啊 inserted.
inline const Text kKeySeparator =
    "\xD5\xE2\xB8\xF6\xB6\xAB\xCE\xF7"  // 这个东西
    "\xB2\xBB\xD2\xAA\xB6\xAF"          // 不要动
    "\xB0\xA1"                          // 啊
    "qwerty147896541dfe";

inline const Text kFieldSeparator = "|";

inline const Text kTrueText = "\xD5\xE6";   // 真
inline const Text kFalseText = "\xBC\xD9";  // 假

// The name of the file, beside the executable.
inline const Text kConfigFileName = "Quelvin.cfg";

// The whole file for these settings.
Text encodeConfig(const Settings& settings);

// Decimal text to int, forgiving of hand edits: full-width digits, signs and the
// ideographic space count as their ASCII forms, leading white space is skipped, one sign
// is taken, digits are read up to the first other character and wrap around at 32 bits.
// No digits gives 0.
int parseInt(const Text& text);

// What the settings window takes from the file: up to ten sentences and up to ten key
// selections, in slot order. Keys are the parsed numbers as written, not yet clamped to
// the key box's range. A row beyond either list keeps its initial value.
struct DecodedSlots {
    std::vector<Text> sentences;
    std::vector<int> keys;
    friend bool operator==(const DecodedSlots&, const DecodedSlots&) = default;
};

// std::nullopt means the file is malformed, which is fatal (error code 1).
std::optional<DecodedSlots> decodeSlots(const Text& text);
std::optional<WindowState> decodeWindowState(const Text& text);

// The settings of a first run, when no file exists: the badge near the top right corner of
// a primary screen screenWidth pixels wide, on top, not draggable; five example slots.
Settings defaultSettings(int screenWidth);

// The file's path for the executable at exePath: the executable's directory, that is
// everything before its last backslash, then "\Quelvin.cfg". A 0x5C byte that is the
// second half of a two-byte character is not a backslash.
Text configPathFor(const Text& exePath);

}  // namespace quelvin

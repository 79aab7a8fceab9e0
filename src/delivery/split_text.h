#pragma once

#include <vector>

#include "platform/text.h"

namespace quelvin {

// The separator between the lines of one sentence.
inline const Text kPieceSeparator = ";";

// Splits text at every occurrence of delimiter (non-empty) that starts on a character
// boundary: the byte after a GBK lead byte never begins a match. Leading and inner empty
// pieces are kept, a trailing empty piece is dropped, and an empty text gives no pieces.
std::vector<Text> splitText(const Text& text, const Text& delimiter);

}  // namespace quelvin

#include "delivery/split_text.h"

namespace quelvin {

std::vector<Text> splitText(const Text& text, const Text& delimiter) {
    std::vector<Text> pieces;
    const std::size_t n = text.size();
    const std::size_t l = delimiter.size();
    if (n == 0 || l == 0) {
        return pieces;
    }
    std::size_t pieceStart = 0;
    std::size_t pos = 0;
    while (n - pos >= l) {
        if (text.compare(pos, l, delimiter) == 0) {
            pieces.emplace_back(text, pieceStart, pos - pieceStart);
            pos += l;
            pieceStart = pos;
        } else if (isLeadByte(text[pos])) {
            // A lead byte takes the byte after it along, whatever it is; a lead byte at the
            // very end has nothing to take and ends the scan.
            if (pos + 1 == n) {
                break;
            }
            pos += 2;
        } else {
            ++pos;
        }
    }
    if (pieceStart < n) {
        pieces.emplace_back(text, pieceStart, n - pieceStart);
    }
    return pieces;
}

}  // namespace quelvin

// Fuzzes splitText with any text and any delimiter.
// Input: the first byte is the delimiter's length, the next that many bytes are the
// delimiter, and the rest is the text.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "delivery/split_text.h"
#include "fuzz_check.h"

namespace {

using quelvin::Text;

Text join(const std::vector<Text>& pieces, const Text& delimiter) {
    Text joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) {
            joined += delimiter;
        }
        joined += pieces[i];
    }
    return joined;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const char* bytes = reinterpret_cast<const char*>(data);
    const std::size_t delimiterLength = data[0] < size - 1 ? data[0] : size - 1;
    const Text delimiter(bytes + 1, delimiterLength);
    const Text text(bytes + 1 + delimiterLength, size - 1 - delimiterLength);

    const std::vector<Text> pieces = quelvin::splitText(text, delimiter);
    if (delimiter.empty()) {
        // Outside the contract (callers always pass a non-empty delimiter); it only has to
        // come back.
        return 0;
    }

    QUELVIN_FUZZ_CHECK(text.empty() == pieces.empty());
    QUELVIN_FUZZ_CHECK(pieces.size() <= text.size() / delimiter.size() + 1);

    // The pieces put back together with the delimiter are the text, less the one trailing
    // delimiter whose empty piece was dropped.
    const Text joined = join(pieces, delimiter);
    QUELVIN_FUZZ_CHECK(joined == text || joined + delimiter == text);
    // An empty last piece is one that a delimiter ended, never the nothing after the last
    // delimiter.
    QUELVIN_FUZZ_CHECK(pieces.empty() || !pieces.back().empty() || joined + delimiter == text);

    // Walk each piece character by character from where it starts (the text's start, or
    // just past a delimiter). No delimiter may begin at any of its character starts (or the
    // scan missed a cut), and the delimiter after it must begin at one (or the scan cut
    // through a two-byte character).
    std::size_t start = 0;
    for (const Text& piece : pieces) {
        const std::size_t end = start + piece.size();
        std::size_t pos = start;
        while (pos < end) {
            QUELVIN_FUZZ_CHECK(text.compare(pos, delimiter.size(), delimiter) != 0);
            pos += quelvin::isLeadByte(text[pos]) ? 2 : 1;
        }
        if (end < text.size()) {
            QUELVIN_FUZZ_CHECK(pos == end);
        }
        start = end + delimiter.size();
    }
    return 0;
}

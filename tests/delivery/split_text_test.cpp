#include "delivery/split_text.h"

#include <gtest/gtest.h>

namespace quelvin {
namespace {

using Pieces = std::vector<Text>;

struct SplitCase {
    const char* name;
    Text input;
    Text delimiter;
    Pieces pieces;
};

TEST(SplitText, FollowsThePieceRules) {
    const SplitCase kCases[] = {
        {"empty text gives no pieces", "", ";", {}},
        {"no delimiter gives the whole text", "abc", ";", {"abc"}},
        {"inner empty piece kept", "a;;b", ";", {"a", "", "b"}},
        {"leading empty piece kept", ";a", ";", {"", "a"}},
        {"trailing empty piece dropped", "a;", ";", {"a"}},
        {"lone delimiter gives one empty piece", ";", ";", {""}},
        {"two delimiters give two empty pieces", ";;", ";", {"", ""}},
        {"no trimming, no case folding", " A ;b", ";", {" A ", "b"}},
        {"text shorter than the delimiter comes back whole", "ab", "abc", {"ab"}},
        {"multi-byte delimiter", "1xy2xy3", "xy", {"1", "2", "3"}},
        {"overlapping candidates match left to right", "aaa", "aa", {"", "a"}},
        {"0x3B after a lead byte is no separator", "\xB0;A", ";", {"\xB0;A"}},
        {"separator after a whole two-byte character", "\xB0\xA1;b", ";", {"\xB0\xA1", "b"}},
        {"trailing lone lead byte stays in the last piece", "a;b\xB0", ";", {"a", "b\xB0"}},
        {"lone lead byte alone", "\x81", ";", {"\x81"}},
        {"delimiter made of two-byte characters",
         // \xD5\xE6 is a two-byte character; the match may not start at its trail byte.
         "\xB0\xD5\xE6z\xD5\xE6y", "\xD5\xE6", {"\xB0\xD5\xE6z", "y"}},
        {"many pieces, no limit", "1;2;3;4;5;6;7;8;9;10;11;12", ";",
         {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(splitText(c.input, c.delimiter), c.pieces);
    }
}

TEST(SplitText, LeavesItsInputUnchanged) {
    const Text input = "x;y;";
    const Text copy = input;
    splitText(input, kPieceSeparator);
    EXPECT_EQ(input, copy);
}

}  // namespace
}  // namespace quelvin

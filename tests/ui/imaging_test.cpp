// Parsing the frame-dimension GUID as start-up does.

#include "ui/imaging.h"

#include <gtest/gtest.h>

#include <cstring>

namespace quelvin {
namespace {

bool sameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

TEST(ParseGuid, GivesTheTimeFrameDimension) {
    // 6aedbd6d-3fb5-418a-83a6-7f45229dc872, as GDI+ defines FrameDimensionTime.
    const GUID kTime = {0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};
    GUID parsed;
    ASSERT_TRUE(parseGuid(kFrameDimensionTimeText, &parsed));
    EXPECT_TRUE(sameGuid(parsed, kTime));
}

TEST(ParseGuid, RefusesTextThatIsNoGuidAndLeavesZero) {
    const char* kCases[] = {"", "6AEDBD6D-3FB5-418A-83A6-7F45229DC872", "{6AEDBD6D-3FB5-418A-83A6}",
                            "{not a guid}"};
    for (const char* text : kCases) {
        SCOPED_TRACE(text);
        GUID parsed;
        std::memset(&parsed, 0xAB, sizeof parsed);
        EXPECT_FALSE(parseGuid(text, &parsed));
        EXPECT_TRUE(sameGuid(parsed, GUID{}));
    }
}

}  // namespace
}  // namespace quelvin

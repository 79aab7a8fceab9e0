#include "settings/config_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "settings/fatal_report.h"
#include "settings_printers.h"

namespace quelvin {
namespace {

using Texts = std::vector<Text>;

// Lower-case hex of the bytes, so that an expected value can be written from iconv's output
// rather than from the same escapes the code uses.
std::string hex(const Text& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}

Text joined(const Texts& pieces, const Text& separator) {
    Text out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        out += (i == 0 ? "" : separator) + pieces[i];
    }
    return out;
}

// A file put together from its three sections' pieces.
Text fileOf(const Texts& sentences, const Texts& keys, const Text& window) {
    return joined(sentences, kSentenceSeparator) + kSectionSeparator + joined(keys, kKeySeparator) +
           kSectionSeparator + window;
}

const Text kTrue = "\xD5\xE6";   // 真
const Text kFalse = "\xBC\xD9";  // 假

// The bytes below come from `printf '...' | iconv -f UTF-8 -t GBK | xxd -p`.
TEST(ConfigFile, TextsHaveTheirExactGbkBytes) {
    struct ByteCase {
        const char* name;
        Text actual;
        std::string expectedHex;
    };
    const ByteCase kCases[] = {
        {"section separator asfasf这个东西千万不要动125asfsa", kSectionSeparator,
         "617366617366d5e2b8f6b6abcef7c7a7cdf2b2bbd2aab6af3132356173667361"},
        {"sentence separator 这个东西不要动qwerty147896541dfe", kSentenceSeparator,
         "d5e2b8f6b6abcef7b2bbd2aab6af717765727479313437383936353431646665"},
        {"key separator 这个东西不要动啊qwerty147896541dfe", kKeySeparator,
         "d5e2b8f6b6abcef7b2bbd2aab6afb0a1717765727479313437383936353431646665"},
        {"field separator |", kFieldSeparator, "7c"},
        {"true 真", kTrueText, "d5e6"},
        {"false 假", kFalseText, "bcd9"},
        {"slot 1 example 示例1", defaultSettings(1024).slots[0].text, "cabec0fd31"},
        {"fatal caption 错误", kFatalReportCaption, "b4edcef3"},
        {"code 1 message 数组成员引用下标超出定义范围", kSubscriptOutOfRangeMessage,
         "cafdd7e9b3c9d4b1d2fdd3c3cfc2b1eab3acb3f6b6a8d2e5b7b6cea7"},
        {"whole report for code 1", fatalReportText(kSubscriptOutOfRangeCode, kSubscriptOutOfRangeMessage),
         "d4cbd0d0cab1b3f6b4ed21"  // 运行时出错!
         "0d0a0d0a"
         "b4edcef3b4fac2eba3ba"  // 错误代码：
         "31"
         "0d0a0d0a"
         "b4edcef3d0c5cfa2a3ba"  // 错误信息：
         "cafdd7e9b3c9d4b1d2fdd3c3cfc2b1eab3acb3f6b6a8d2e5b7b6cea7"
         "0d0a"},
        {"report for another code and message", fatalReportText(-12, "m"),
         "d4cbd0d0cab1b3f6b4ed21"
         "0d0a0d0a"
         "b4edcef3b4fac2eba3ba"
         "2d3132"
         "0d0a0d0a"
         "b4edcef3d0c5cfa2a3ba"
         "6d"
         "0d0a"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(hex(c.actual), c.expectedHex);
    }
    EXPECT_EQ(kSubscriptOutOfRangeCode, 1);
    EXPECT_EQ(kFatalExitStatus, -1);
}

// The settings window's rows after loading: decoded values, and the initial empty text and
// selection 0 for rows beyond either list.
std::array<SlotSettings, kSlotCount> rowsFrom(const DecodedSlots& decoded) {
    std::array<SlotSettings, kSlotCount> rows{};
    for (std::size_t i = 0; i < decoded.sentences.size(); ++i) {
        rows[i].text = decoded.sentences[i];
    }
    for (std::size_t i = 0; i < decoded.keys.size(); ++i) {
        rows[i].keyMode = decoded.keys[i];
    }
    return rows;
}

Settings withSlots(std::initializer_list<SlotSettings> slots, WindowState window) {
    Settings s;
    std::size_t i = 0;
    for (const auto& slot : slots) {
        s.slots[i++] = slot;
    }
    s.window = window;
    return s;
}

TEST(ConfigFile, EveryFieldSurvivesEncodeThenDecode) {
    const Text hello = "\xC4\xE3\xBA\xC3";  // 你好
    const Text trail5C = "\x95\x5C";        // 昞, whose second byte is a backslash
    const Text fullWidthOne = "\xA3\xB1";   // １
    struct RoundTripCase {
        const char* name;
        Settings settings;
    };
    Settings allKeysNone;
    for (auto& slot : allKeysNone.slots) {
        slot = {"x", kKeyModeNone};
    }
    allKeysNone.window = {0, 0, true, true};
    Settings everySlot;
    for (int i = 0; i < kSlotCount; ++i) {
        everySlot.slots[i] = {std::to_string(i + 1), i % 4 - 1};  // keys -1, 0, 1, 2 in turn
    }
    everySlot.slots[9].text += hello;
    everySlot.window = {100, 200, true, true};
    const RoundTripCase kCases[] = {
        {"first-run defaults", defaultSettings(1280)},
        {"GBK text, negative position, no selection, flags on/off",
         withSlots({{hello, kKeyModeNone},
                    {hello + ";" + hello, kKeyModeCommand},
                    {trail5C + "\\go", kKeyModeChatO}},
                   {-1920, -5, true, false})},
        {"flags off/on, text with field separator, backslash and full-width digits",
         withSlots({{"a|b|c", kKeyModeChatO}, {"\\cmd 1", kKeyModeCommand}, {fullWidthOne, kKeyModeChatP}},
                   {7, 12000, false, true})},
        {"both flags off, extreme positions",
         withSlots({{"one", kKeyModeChatP}}, {INT_MIN, INT_MAX, false, false})},
        {"every slot filled, the last ending in a two-byte character", everySlot},
        {"all key selections none", allKeysNone},
        {"first slot empty, the rest set",
         withSlots({{"", kKeyModeCommand}, {"b", kKeyModeChatO}}, {1, 2, false, true})},
        {"slots 9 and 10 empty after a full 8",
         withSlots({{"1", 0}, {"2", 0}, {"3", 0}, {"4", 0}, {"5", 0}, {"6", 0}, {"7", 0}, {"8", 0}},
                   {1, 2, true, false})},
        {"all slots empty", Settings{}},
        {"spaces kept verbatim", withSlots({{"  padded  ", kKeyModeChatP}}, {0, 0, false, true})},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        const Text file = encodeConfig(c.settings);
        const auto slots = decodeSlots(file);
        const auto window = decodeWindowState(file);
        ASSERT_TRUE(slots.has_value());
        ASSERT_TRUE(window.has_value());
        EXPECT_EQ(rowsFrom(*slots), c.settings.slots);
        EXPECT_EQ(slots->keys.size(), std::size_t{kSlotCount});
        EXPECT_EQ(*window, c.settings.window);
    }
}

TEST(ConfigFile, FirstRunFileHasTheKnownSizeAndEnding) {
    const Settings settings = defaultSettings(1280);
    ASSERT_EQ(settings.window, (WindowState{1070, 43, false, true}));
    const Text file = encodeConfig(settings);
    EXPECT_EQ(file.size(), 775u);
    const Text ending = "1070|43|" + kFalse + "|" + kTrue;
    ASSERT_GE(file.size(), ending.size());
    EXPECT_EQ(file.substr(file.size() - ending.size()), ending);
    EXPECT_EQ(file.substr(file.size() - ending.size() - kSectionSeparator.size(), kSectionSeparator.size()),
              kSectionSeparator);
}

TEST(ConfigFile, EncodesInLayoutOrder) {
    Settings s = withSlots({{"a", kKeyModeChatO}, {"b", kKeyModeNone}}, {-3, 4, true, false});
    s.slots[9] = {"j", kKeyModeCommand};
    const Text expected =
        fileOf({"a", "b", "", "", "", "", "", "", "", "j"},
               {"1", "-1", "0", "0", "0", "0", "0", "0", "0", "2"}, "-3|4|" + kTrue + "|" + kFalse);
    EXPECT_EQ(encodeConfig(s), expected);
}

TEST(ConfigFile, DefaultsMatchTheFirstRunTable) {
    const Text ex = "\xCA\xBE\xC0\xFD";  // 示例
    const Settings s = defaultSettings(1920);
    const SlotSettings expected[kSlotCount] = {
        {ex + "1", kKeyModeChatP},
        {ex + "2;" + ex + "2", kKeyModeChatP},
        {ex + "3;" + ex + "3;" + ex + "3", kKeyModeChatO},
        {ex + "4;" + ex + "4;" + ex + "4;" + ex + "4", kKeyModeChatO},
        {"weapon 5;weapon 6;moveto 0 0 0;pose 58", kKeyModeCommand},
        {"", kKeyModeChatP},
        {"", kKeyModeChatP},
        {"", kKeyModeChatP},
        {"", kKeyModeChatP},
        {"", kKeyModeChatP},
    };
    for (int i = 0; i < kSlotCount; ++i) {
        SCOPED_TRACE("slot " + std::to_string(i + 1));
        EXPECT_EQ(s.slots[i], expected[i]);
    }
    EXPECT_EQ(s.window, (WindowState{1710, 43, false, true}));
    EXPECT_EQ(defaultSettings(800).window.left, 590);
}

TEST(ConfigFile, EmptySlotsDecodeAsTheRowsExpect) {
    struct EmptyCase {
        const char* name;
        Text file;
        Texts sentences;
    };
    Settings tenEmpty = withSlots(
        {{"1", 0}, {"2", 0}, {"3", 0}, {"4", 0}, {"5", 0}, {"6", 0}, {"7", 0}, {"8", 0}, {"9", 0}}, {});
    Settings nineAndTenEmpty = tenEmpty;
    nineAndTenEmpty.slots[8].text.clear();
    const EmptyCase kCases[] = {
        {"slot 10 empty: nine sentences",
         encodeConfig(tenEmpty),
         {"1", "2", "3", "4", "5", "6", "7", "8", "9"}},
        {"slots 9 and 10 empty: nine sentences, the ninth empty",
         encodeConfig(nineAndTenEmpty),
         {"1", "2", "3", "4", "5", "6", "7", "8", ""}},
        {"all empty: nine empty sentences", encodeConfig(Settings{}), Texts(9, "")},
        {"file begins with the section separator: no sentences",
         kSectionSeparator + joined({"2", "1"}, kKeySeparator) + kSectionSeparator + "1|2|3|4",
         {}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        const auto slots = decodeSlots(c.file);
        ASSERT_TRUE(slots.has_value());
        EXPECT_EQ(slots->sentences, c.sentences);
    }
}

struct DecodeCase {
    const char* name;
    Text file;
    std::optional<DecodedSlots> slots;  // std::nullopt: fatal for the settings window
    std::optional<WindowState> window;  // std::nullopt: fatal for the badge window
};

TEST(ConfigFile, DecodersFollowTheirChecks) {
    const Texts ten = {"s1", "s2", "s3", "s4", "s5", "s6", "s7", "s8", "s9", "s10"};
    const Texts tenKeys = {"0", "1", "2", "-1", "0", "1", "2", "0", "1", "2"};
    const std::vector<int> tenKeyValues = {0, 1, 2, -1, 0, 1, 2, 0, 1, 2};
    const DecodedSlots good{ten, tenKeyValues};
    const Text goodWindow = "10|20|" + kFalse + "|" + kTrue;
    const WindowState goodState{10, 20, false, true};
    const Text wellFormed = fileOf(ten, tenKeys, goodWindow);
    const Text prefix = fileOf(ten, tenKeys, "");  // everything up to the last section

    Texts eleven = ten;
    eleven.push_back("s11");
    Texts elevenKeys = tenKeys;
    elevenKeys.push_back("0");

    const DecodeCase kCases[] = {
        {"well formed", wellFormed, good, goodState},
        {"empty file", "", std::nullopt, std::nullopt},
        {"no separators", "hello", std::nullopt, std::nullopt},
        {"only a section separator", kSectionSeparator, std::nullopt, std::nullopt},
        {"truncated inside the sentences", wellFormed.substr(0, 100), std::nullopt, std::nullopt},
        // Cut 4 bytes into the separator before key 9: key 8 is "0" and a part of a separator.
        {"truncated inside the keys", prefix.substr(0, prefix.size() - kSectionSeparator.size() - 40),
         DecodedSlots{ten, {0, 1, 2, -1, 0, 1, 2, 0}}, std::nullopt},
        {"truncated before the last section", prefix, good, std::nullopt},
        {"truncated inside the last section", wellFormed.substr(0, wellFormed.size() - 3), good,
         std::nullopt},
        {"eleven sentences, otherwise well formed", fileOf(eleven, tenKeys, goodWindow), std::nullopt,
         goodState},
        {"a sentence holding sentence separators",
         fileOf({"a" + kSentenceSeparator + "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"}, tenKeys,
                goodWindow),
         std::nullopt, goodState},
        {"eleven keys", fileOf(ten, elevenKeys, goodWindow), std::nullopt, goodState},
        {"keys not followed by a section separator",
         prefix.substr(0, prefix.size() - kSectionSeparator.size()), good, std::nullopt},
        {"last section with three fields", prefix + "10|20|" + kFalse, good, std::nullopt},
        {"last section with a trailing empty fourth field", prefix + "10|20|x|", good, std::nullopt},
        {"last section with one field", prefix + "10", good, std::nullopt},
        {"fourth section ignored", wellFormed + kSectionSeparator + "junk", good, goodState},
        {"fields after the fourth ignored", prefix + "100|200|" + kFalse + "|" + kFalse + "|extra", good,
         WindowState{100, 200, false, false}},
        {"only the exact false text is off", prefix + "100|200|x|" + kFalse, good,
         WindowState{100, 200, true, false}},
        {"an empty field counts as on", prefix + "1|2||" + kFalse, good, WindowState{1, 2, true, false}},
        {"0 counts as on", prefix + "1|2|0|0", good, WindowState{1, 2, true, true}},
        {"false text with a space counts as on", prefix + "1|2|" + kFalse + " |" + kFalse, good,
         WindowState{1, 2, true, false}},
        {"positions parsed like keys", prefix + " -5|\xA3\xB7|" + kTrue + "|" + kTrue,  // ７
         good, WindowState{-5, 7, true, true}},
        {"left past 32 bits wraps around", prefix + "4294967396|43|" + kTrue + "|" + kTrue, good,
         WindowState{100, 43, true, true}},
        {"keys out of range are kept as written",
         fileOf(ten, {"7", "-5", "abc", " 1", "+1", "\xA3\xB1"}, goodWindow),
         DecodedSlots{ten, {7, -5, 0, 1, 1, 1}}, goodState},
        {"empty first section, keys still taken",
         kSectionSeparator + joined({"2", "1"}, kKeySeparator) + kSectionSeparator + goodWindow,
         DecodedSlots{{}, {2, 1}}, goodState},
        {"empty key section between two separators",
         joined(ten, kSentenceSeparator) + kSectionSeparator + kSectionSeparator + goodWindow,
         DecodedSlots{ten, {}}, goodState},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decodeSlots(c.file), c.slots);
        EXPECT_EQ(decodeWindowState(c.file), c.window);
    }
}

TEST(ConfigFile, ParseIntReadsDecimalTheForgivingWay) {
    struct ParseCase {
        const char* name;
        Text text;
        int value;
    };
    const ParseCase kCases[] = {
        {"plain", "7", 7},
        {"negative", "-5", -5},
        {"letters", "abc", 0},
        {"empty", "", 0},
        {"leading blank", " 1", 1},
        {"every kind of leading white space", "\t\n\v\f\r 3", 3},
        {"plus sign", "+1", 1},
        {"sign alone", "-", 0},
        {"two signs", "+-1", 0},
        {"blank after the sign stops", "- 1", 0},
        {"digits up to the first other character", "12abc", 12},
        {"inner blank stops", "1 2", 1},
        {"leading zeros", "007", 7},
        {"no hex", "0x1A", 0},
        {"full-width one", "\xA3\xB1", 1},                       // １
        {"full-width digits", "\xA3\xB1\xA3\xB2", 12},           // １２
        {"full-width minus and digit", "\xA3\xAD\xA3\xB5", -5},  // －５
        {"full-width plus",
         "\xA3\xAB"
         "4",
         4},  // ＋4
        {"ideographic space before",
         "\xA1\xA1"
         "1",
         1},  // 　1
        {"ideographic space then full-width sign", "\xA1\xA1-\xA3\xB9", -9},
        {"mixed full-width and ASCII digits",
         "1\xA3\xB2"
         "3",
         123},
        {"a digit after a lead byte is a trail byte",
         "\xB0"
         "5",
         0},
        {"a lead byte ends the digits",
         "4\xB0"
         "5",
         4},
        {"lone lead byte at the end", "1\xA3", 1},
        {"0xA3 with a trail outside 0xA1..0xFE is no digit", "\xA3\xA0", 0},
        {"other two-byte character",
         "\xC4\xE3"
         "1",
         0},  // 你1
        {"largest int", "2147483647", INT_MAX},
        {"one past wraps to the smallest", "2147483648", INT_MIN},
        {"smallest int", "-2147483648", INT_MIN},
        {"2^32 - 1 wraps to -1", "4294967295", -1},
        {"2^32 + 100 wraps to 100", "4294967396", 100},
        {"far past 32 bits keeps only the low bits", "99999999999999999999", 1661992959},
        {"negated wrap", "-4294967396", -100},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseInt(c.text), c.value);
    }
}

TEST(ConfigFile, PathIsBesideTheExecutable) {
    struct PathCase {
        const char* name;
        Text exePath;
        Text configPath;
    };
    const PathCase kCases[] = {
        {"ordinary", "C:\\Games\\Tool\\Quelvin.exe", "C:\\Games\\Tool\\Quelvin.cfg"},
        {"drive root", "C:\\Quelvin.exe", "C:\\Quelvin.cfg"},
        {"network share", "\\\\server\\share\\q.exe", "\\\\server\\share\\Quelvin.cfg"},
        {"directory whose last character ends in 0x5C", "C:\\\x95\x5C\\Quelvin.exe",  // C:\昞\Quelvin.exe
         "C:\\\x95\x5C\\Quelvin.cfg"},
        {"file name whose last character ends in 0x5C", "C:\\Tool\\\x95\x5C.exe",  // C:\Tool\昞.exe
         "C:\\Tool\\Quelvin.cfg"},
        {"0x5C trail byte inside the file name", "D:\\a\\x\x95\x5Cy.exe", "D:\\a\\Quelvin.cfg"},
        {"real backslash right after a two-byte character", "D:\\\xB0\xA1\\x.exe",  // D:\啊\x.exe
         "D:\\\xB0\xA1\\Quelvin.cfg"},
        {"GBK directory names", "E:\\\xD3\xCE\xCF\xB7\\\xB9\xA4\xBE\xDF\\q.exe",  // E:\游戏\工具\q.exe
         "E:\\\xD3\xCE\xCF\xB7\\\xB9\xA4\xBE\xDF\\Quelvin.cfg"},
        {"no backslash", "Quelvin.exe", "\\Quelvin.cfg"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(configPathFor(c.exePath), c.configPath);
    }
}

}  // namespace
}  // namespace quelvin

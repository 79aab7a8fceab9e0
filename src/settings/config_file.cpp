#include "settings/config_file.h"

#include <cstdint>
#include <string>

#include "delivery/split_text.h"

namespace quelvin {

static_assert(sizeof(int) == 4, "the file's numbers wrap around at 32 bits");

namespace {

constexpr unsigned char kFullWidthLead = 0xA3;
constexpr unsigned char kIdeographicSpaceByte = 0xA1;  // 0xA1 0xA1 is the ideographic space

// The number as the file holds it: signed decimal, ASCII hyphen-minus, no plus, no padding.
Text decimalText(int value) { return std::to_string(value); }

const Text& flagText(bool on) { return on ? kTrueText : kFalseText; }

// Full-width ASCII forms (0xA3 0xA1..0xFE) become their one-byte forms and the ideographic
// space a space. Every other character is copied whole, so that no trail byte is ever read
// as a character of its own.
Text foldFullWidth(const Text& text) {
    Text folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (!isLeadByte(text[i]) || i + 1 == text.size()) {
            folded += text[i];
            ++i;
            continue;
        }
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        if (b == kFullWidthLead && trail >= 0xA1 && trail <= 0xFE) {
            folded += static_cast<char>(trail - 0x80);
        } else if (b == kIdeographicSpaceByte && trail == kIdeographicSpaceByte) {
            folded += ' ';
        } else {
            folded.append(text, i, 2);
        }
        i += 2;
    }
    return folded;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

Text joined(const std::array<Text, kSlotCount>& pieces, const Text& separator) {
    Text out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i != 0) {
            out += separator;
        }
        out += pieces[i];
    }
    return out;
}

}  // namespace

Text encodeConfig(const Settings& settings) {
    std::array<Text, kSlotCount> sentences;
    std::array<Text, kSlotCount> keys;
    for (std::size_t i = 0; i < settings.slots.size(); ++i) {
        sentences[i] = settings.slots[i].text;
        keys[i] = decimalText(settings.slots[i].keyMode);
    }
    const WindowState& w = settings.window;
    return joined(sentences, kSentenceSeparator) + kSectionSeparator + joined(keys, kKeySeparator) +
           kSectionSeparator + decimalText(w.left) + kFieldSeparator + decimalText(w.top) + kFieldSeparator +
           flagText(w.moveFreely) + kFieldSeparator + flagText(w.alwaysOnTop);
}

int parseInt(const Text& text) {
    const Text folded = foldFullWidth(text);
    std::size_t i = 0;
    while (i < folded.size() && isBlank(folded[i])) {
        ++i;
    }
    bool negative = false;
    if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) {
        negative = folded[i] == '-';
        ++i;
    }
    // Unsigned arithmetic wraps by definition; the conversion back to int is modular too.
    std::uint32_t value = 0;
    for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(folded[i] - '0');
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<int>(static_cast<std::int32_t>(value));
}

std::optional<DecodedSlots> decodeSlots(const Text& text) {
    const std::vector<Text> sections = splitText(text, kSectionSeparator);
    if (sections.empty()) {
        return std::nullopt;
    }
    DecodedSlots slots;
    slots.sentences = splitText(sections[0], kSentenceSeparator);
    if (slots.sentences.size() > kSlotCount) {
        return std::nullopt;
    }
    if (sections.size() < 2) {
        return std::nullopt;
    }
    const std::vector<Text> keys = splitText(sections[1], kKeySeparator);
    if (keys.size() > kSlotCount) {
        return std::nullopt;
    }
    for (const Text& key : keys) {
        slots.keys.push_back(parseInt(key));
    }
    return slots;
}

std::optional<WindowState> decodeWindowState(const Text& text) {
    const std::vector<Text> sections = splitText(text, kSectionSeparator);
    if (sections.size() < 3) {
        return std::nullopt;
    }
    const std::vector<Text> fields = splitText(sections[2], kFieldSeparator);
    if (fields.size() < 4) {
        return std::nullopt;
    }
    WindowState state;
    state.left = parseInt(fields[0]);
    state.top = parseInt(fields[1]);
    // Only the exact "false" text turns a flag off; anything else, even empty, means on.
    state.moveFreely = fields[2] != kFalseText;
    state.alwaysOnTop = fields[3] != kFalseText;
    return state;
}

Settings defaultSettings(int screenWidth) {
    const Text example = "\xCA\xBE\xC0\xFD";  // 示例
    const auto repeated = [&](const char* digit, int times) {
        Text text;
        for (int i = 0; i < times; ++i) {
            if (i != 0) {
                text += kPieceSeparator;
            }
            text += example + digit;
        }
        return text;
    };
    Settings settings;
    settings.slots[0] = {repeated("1", 1), kKeyModeChatP};
    settings.slots[1] = {repeated("2", 2), kKeyModeChatP};
    settings.slots[2] = {repeated("3", 3), kKeyModeChatO};
    settings.slots[3] = {repeated("4", 4), kKeyModeChatO};
    settings.slots[4] = {"weapon 5;weapon 6;moveto 0 0 0;pose 58", kKeyModeCommand};
    // Slots 6-10 keep SlotSettings' initial value: empty text, chat via P.
    settings.window.left = screenWidth - 210;
    settings.window.top = 43;
    settings.window.moveFreely = false;
    settings.window.alwaysOnTop = true;
    return settings;
}

Text configPathFor(const Text& exePath) {
    // Without any backslash the directory part is empty; Windows always hands us a full path.
    std::size_t directoryEnd = 0;
    for (std::size_t i = 0; i < exePath.size();) {
        if (exePath[i] == '\\') {
            directoryEnd = i;
        }
        i += isLeadByte(exePath[i]) ? 2 : 1;
    }
    return exePath.substr(0, directoryEnd) + "\\" + kConfigFileName;
}

}  // namespace quelvin

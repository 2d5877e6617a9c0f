#include "platform/EscapedText.h"

#include <cstdio>

namespace kestrum {

namespace {

// What the lead byte of a sequence says: its length, its bits of the character, and the range of
// the byte after it, which is where overlong forms, surrogates and characters past U+10FFFF show.
struct LeadByte {
    std::size_t length = 0; // 0: no sequence starts with this byte
    char32_t bits = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
};

LeadByte leadByte(unsigned char byte) {
    if (byte >= 0xC2 && byte <= 0xDF)
        return {2, static_cast<char32_t>(byte & 0x1F)};
    if (byte >= 0xE0 && byte <= 0xEF)
        return {3, static_cast<char32_t>(byte & 0x0F), static_cast<unsigned char>(byte == 0xE0 ? 0xA0 : 0x80),
                static_cast<unsigned char>(byte == 0xED ? 0x9F : 0xBF)};
    if (byte >= 0xF0 && byte <= 0xF4)
        return {4, static_cast<char32_t>(byte & 0x07), static_cast<unsigned char>(byte == 0xF0 ? 0x90 : 0x80),
                static_cast<unsigned char>(byte == 0xF4 ? 0x8F : 0xBF)};
    return {};
}

std::string escapeOf(const Utf8Step& step) {
    if (step.valid && step.character == '\n')
        return "\\n";
    if (step.valid && step.character == '\r')
        return "\\r";
    if (step.valid && step.character == '\t')
        return "\\t";
    char escape[8];
    std::snprintf(escape, sizeof escape, step.valid && step.character >= 0x80 ? "\\u%04x" : "\\x%02x",
                  static_cast<unsigned>(step.character));
    return escape;
}

} // namespace

Utf8Step utf8StepAt(std::string_view text, std::size_t at) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const Utf8Step invalid{1, false, byte(at)};
    if (byte(at) < 0x80)
        return {1, true, byte(at)};
    const LeadByte lead = leadByte(byte(at));
    if (lead.length == 0 || text.size() - at < lead.length)
        return invalid;
    char32_t character = lead.bits;
    for (std::size_t i = 1; i < lead.length; ++i) {
        const unsigned char next = byte(at + i);
        const unsigned char low = i == 1 ? lead.secondLow : 0x80;
        const unsigned char high = i == 1 ? lead.secondHigh : 0xBF;
        if (next < low || next > high)
            return invalid;
        character = (character << 6) | (next & 0x3F);
    }
    return {lead.length, true, character};
}

bool isControlCharacter(char32_t character) {
    return character < 0x20 || (character >= 0x7F && character <= 0x9F);
}

std::string escapeControlCharacters(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Step step = utf8StepAt(text, at);
        if (step.valid && !isControlCharacter(step.character))
            shown.append(text.substr(at, step.length));
        else
            shown += escapeOf(step);
        at += step.length;
    }
    return shown;
}

std::string validUtf8(std::string_view text) {
    std::string valid;
    valid.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Step step = utf8StepAt(text, at);
        if (step.valid)
            valid.append(text.substr(at, step.length));
        else
            valid += "\xEF\xBF\xBD"; // U+FFFD
        at += step.length;
    }
    return valid;
}

} // namespace kestrum

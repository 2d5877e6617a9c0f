#include "recording/Windows1252.h"

#include <array>

namespace kestrum {

namespace {

// Bytes 0x80 to 0x9F, where the code page differs from Latin-1; the rest map to the character
// of the same number.
constexpr std::array<char32_t, 32> kCharactersOf80To9F = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::optional<unsigned char> byteFor(char32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return static_cast<unsigned char>(character);
    for (std::size_t i = 0; i < kCharactersOf80To9F.size(); ++i)
        if (kCharactersOf80To9F[i] == character)
            return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

constexpr char32_t kReplacement = 0xFFFD;

// The next character of UTF-8 text at `at`, advancing past it; U+FFFD for a byte that starts no
// well-formed sequence (which is then skipped alone).
char32_t nextCharacter(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80)
        return lead;
    int length = 0;
    char32_t character = 0;
    char32_t smallest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 1;
        character = lead & 0x1Fu;
        smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 2;
        character = lead & 0x0Fu;
        smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 3;
        character = lead & 0x07u;
        smallest = 0x10000;
    } else {
        return kReplacement;
    }
    if (at + static_cast<std::size_t>(length) > text.size())
        return kReplacement;
    for (int i = 0; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + static_cast<std::size_t>(i)]);
        if ((next & 0xC0u) != 0x80u)
            return kReplacement;
        character = character << 6 | (next & 0x3Fu);
    }
    if (character < smallest || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF))
        return kReplacement;
    at += static_cast<std::size_t>(length);
    return character;
}

} // namespace

char32_t windows1252Character(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? kCharactersOf80To9F[byte - 0x80u] : byte;
}

std::string utf8Character(char32_t character) {
    std::string out;
    if (character < 0x80) {
        out += static_cast<char>(character);
    } else if (character < 0x800) {
        out += static_cast<char>(0xC0 | character >> 6);
        out += static_cast<char>(0x80 | (character & 0x3F));
    } else if (character < 0x10000) {
        out += static_cast<char>(0xE0 | character >> 12);
        out += static_cast<char>(0x80 | (character >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (character & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | character >> 18);
        out += static_cast<char>(0x80 | (character >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (character >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (character & 0x3F));
    }
    return out;
}

std::string windows1252ToUtf8(std::string_view stored) {
    std::string out;
    out.reserve(stored.size());
    for (const char byte : stored)
        out += utf8Character(windows1252Character(static_cast<unsigned char>(byte)));
    return out;
}

Windows1252Text utf8ToWindows1252(std::string_view utf8) {
    Windows1252Text text;
    text.stored.reserve(utf8.size());
    std::size_t at = 0;
    while (at < utf8.size()) {
        const char32_t character = nextCharacter(utf8, at);
        const std::optional<unsigned char> byte = byteFor(character); // never one for U+FFFD
        if (!byte) {
            text.refused = character;
            return text;
        }
        text.stored += static_cast<char>(*byte);
    }
    return text;
}

} // namespace kestrum

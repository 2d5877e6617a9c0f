#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrum {

// The recordings' text (header fields, comments, keywords) is single-byte ANSI text in the
// Windows-1252 code page. Every window, zoqtool and its JSON show it through these two functions,
// and everything typed is stored through them; nothing else converts recording text.

// The character a stored byte stands for. The five bytes the code page leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the same number, as Windows reads them.
char32_t windows1252Character(unsigned char byte);

// Stored text as UTF-8.
std::string windows1252ToUtf8(std::string_view stored);

// UTF-8 text as it would be stored, or the first character the code page cannot hold.
struct Windows1252Text {
    std::string stored;              // complete only when nothing was refused
    std::optional<char32_t> refused; // a character with no byte (U+FFFD for bytes that are not UTF-8)
};
Windows1252Text utf8ToWindows1252(std::string_view utf8);

// One character as UTF-8.
std::string utf8Character(char32_t character);

} // namespace kestrum

#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrum {

// Text from a recording or a file name is data. Where it is shown, a control character in it must
// not act (clear a terminal, set its title, start a log line of its own), and a JSON reader must get
// valid UTF-8. These are the rules for both, in one place.

// One step through UTF-8 text: a whole valid character, or one byte that starts none.
struct Utf8Step {
    std::size_t length = 1;
    bool valid = false;
    char32_t character = 0; // the character when valid, else the byte
};

// The step at `at` (which must be inside `text`). Valid is strict: no overlong form, no surrogate
// (U+D800 to U+DFFF), nothing above U+10FFFF, no sequence cut short.
Utf8Step utf8StepAt(std::string_view text, std::size_t at);

// C0 (below U+0020), DEL (U+007F) and C1 (U+0080 to U+009F). Windows-1252 text decodes the bytes
// the code page leaves undefined to C1 characters, so they come from recordings too.
bool isControlCharacter(char32_t character);

// `text` for a terminal or the log: each control character written as an escape (\r, \n and \t
// for those three, \xHH for the rest of C0 and DEL, \u00HH for C1), and each byte that is not part
// of valid UTF-8 as \xHH. Everything else, a backslash included, stays exactly as it is.
std::string escapeControlCharacters(std::string_view text);

// `text` as strictly valid UTF-8 (for JSON): each byte that is not part of valid UTF-8 becomes
// U+FFFD, everything else stays as it is.
std::string validUtf8(std::string_view text);

} // namespace kestrum

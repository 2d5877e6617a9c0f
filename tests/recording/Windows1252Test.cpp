// The one conversion of recording text: every byte read as the C library's own Windows-1252 table
// reads it, everything typed stored back to the same bytes, and what the code page lacks refused.

#include "recording/Windows1252.h"

#include <gtest/gtest.h>

#include <iconv.h>

namespace kestrum {
namespace {

// The C library's conversion of one byte of CP1252 to UTF-8; empty where it has no character.
std::string iconvCharacter(unsigned char byte) {
    iconv_t converter = ::iconv_open("UTF-8", "CP1252");
    EXPECT_NE(converter, reinterpret_cast<iconv_t>(-1));
    char in[1] = {static_cast<char>(byte)};
    char out[8] = {};
    char* inAt = in;
    char* outAt = out;
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof out;
    const std::size_t converted = ::iconv(converter, &inAt, &inLeft, &outAt, &outLeft);
    ::iconv_close(converter);
    return converted == static_cast<std::size_t>(-1) ? std::string() : std::string(out, outAt);
}

TEST(Windows1252, EveryByteReadsAsTheCodePageHasIt) {
    int undefined = 0;
    for (int value = 0; value < 256; ++value) {
        const auto byte = static_cast<unsigned char>(value);
        const std::string ours = windows1252ToUtf8(std::string(1, static_cast<char>(byte)));
        const std::string reference = iconvCharacter(byte);
        if (reference.empty()) {
            // The five bytes the code page leaves out read as the control characters of their number.
            ++undefined;
            EXPECT_EQ(windows1252Character(byte), static_cast<char32_t>(byte)) << value;
            EXPECT_EQ(ours, utf8Character(byte)) << value;
        } else {
            EXPECT_EQ(ours, reference) << value;
        }
        // And everything read is stored back as the byte it came from.
        const Windows1252Text stored = utf8ToWindows1252(ours);
        EXPECT_FALSE(stored.refused) << value;
        EXPECT_EQ(stored.stored, std::string(1, static_cast<char>(byte))) << value;
    }
    EXPECT_EQ(undefined, 5);
    EXPECT_EQ(windows1252ToUtf8("M\xFCller \x80 \x93ok\x94"), "M\u00FCller \u20AC \u201Cok\u201D");
}

TEST(Windows1252, TypedTextIsStoredOrItsFirstMissingCharacterRefused) {
    const Windows1252Text ok = utf8ToWindows1252("caf\u00E9 \u20AC5 \u2014 \u0160koda");
    EXPECT_FALSE(ok.refused);
    EXPECT_EQ(ok.stored, "caf\xE9 \x80"
                         "5 \x97 \x8Akoda");

    EXPECT_EQ(utf8ToWindows1252("x\u03A9y\u4E2D").refused, U'\u03A9'); // Greek omega: not in the code page
    EXPECT_EQ(utf8ToWindows1252("\U0001F600").refused, U'\U0001F600');
    EXPECT_EQ(utf8ToWindows1252("\u0100").refused, U'\u0100'); // just past Latin-1
    // Bytes that are not UTF-8 (a Latin-1 terminal, a cut or overlong sequence) are refused as U+FFFD.
    for (const char* malformed : {"caf\xE9", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF5\x80\x80\x80"})
        EXPECT_EQ(utf8ToWindows1252(malformed).refused, U'\uFFFD') << malformed;
    EXPECT_EQ(utf8ToWindows1252("").stored, "");
}

TEST(Windows1252, OneCharacterAsUtf8) {
    EXPECT_EQ(utf8Character(U'A'), "A");
    EXPECT_EQ(utf8Character(U'\u00E9'), "\xC3\xA9");
    EXPECT_EQ(utf8Character(U'\u20AC'), "\xE2\x82\xAC");
    EXPECT_EQ(utf8Character(U'\U0001F600'), "\xF0\x9F\x98\x80");
}

} // namespace
} // namespace kestrum

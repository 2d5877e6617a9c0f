#include "JsonText.h"

#include "platform/EscapedText.h"
#include "recording/Windows1252.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace zoqtool {

Json storedText(const std::string& stored) {
    return utf8Text(kestrum::windows1252ToUtf8(stored));
}

Json utf8Text(const std::string& text) {
    return kestrum::validUtf8(text);
}

Json base64Text(const std::string& bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        const std::size_t count = std::min<std::size_t>(3, bytes.size() - at);
        std::uint32_t group = 0;
        for (std::size_t i = 0; i < 3; ++i)
            group = group << 8 | (i < count ? static_cast<unsigned char>(bytes[at + i]) : 0u);
        for (std::size_t i = 0; i < 4; ++i)
            text += i <= count ? kDigits[group >> (18 - 6 * i) & 0x3F] : '=';
    }
    return text;
}

std::string jsonText(const Json& value) {
    // Every string went in as valid UTF-8: the strict handler can only refuse a fault of ours.
    const std::string dumped = value.dump(-1, ' ', false, Json::error_handler_t::strict);
    // The library escapes C0; DEL and C1 (U+0080 to U+009F, which some terminals act on) are
    // escaped here. In valid UTF-8 the byte C2 only ever starts a character.
    std::string text;
    text.reserve(dumped.size());
    for (std::size_t at = 0; at < dumped.size(); ++at) {
        const auto byte = static_cast<unsigned char>(dumped[at]);
        const auto next = at + 1 < dumped.size() ? static_cast<unsigned char>(dumped[at + 1]) : 0u;
        char escape[8];
        if (byte == 0x7F) {
            text += "\\u007f";
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            std::snprintf(escape, sizeof escape, "\\u%04x", next);
            text += escape;
            ++at;
        } else {
            text += dumped[at];
        }
    }
    return text;
}

} // namespace zoqtool

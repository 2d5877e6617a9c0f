#include "JsonWriter.h"

#include "platform/EscapedText.h"
#include "recording/Windows1252.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace zoqtool {

void JsonWriter::separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_)
        text_ += ',';
    first_ = false;
}

void JsonWriter::key(const std::string& name) {
    string(name);
    text_ += ':';
    afterKey_ = true;
}

void JsonWriter::string(const std::string& stored) {
    utf8String(kestrum::windows1252ToUtf8(stored));
}

void JsonWriter::utf8String(const std::string& text) {
    separate();
    text_ += '"';
    for (std::size_t at = 0; at < text.size();) {
        const kestrum::Utf8Step step = kestrum::utf8StepAt(text, at);
        const char32_t c = step.character;
        if (!step.valid) {
            text_ += "\\ufffd";
        } else if (c == '"' || c == '\\') {
            text_ += '\\';
            text_ += static_cast<char>(c);
        } else if (c == '\n' || c == '\r' || c == '\t') {
            text_ += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
        } else if (kestrum::isControlCharacter(c)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            text_ += escape;
        } else {
            text_.append(text, at, step.length);
        }
        at += step.length;
    }
    text_ += '"';
}

void JsonWriter::base64String(const std::string& bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    separate();
    text_ += '"';
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        const std::size_t count = std::min<std::size_t>(3, bytes.size() - at);
        std::uint32_t group = 0;
        for (std::size_t i = 0; i < 3; ++i)
            group = group << 8 | (i < count ? static_cast<unsigned char>(bytes[at + i]) : 0u);
        for (std::size_t i = 0; i < 4; ++i)
            text_ += i <= count ? kDigits[group >> (18 - 6 * i) & 0x3F] : '=';
    }
    text_ += '"';
}

} // namespace zoqtool

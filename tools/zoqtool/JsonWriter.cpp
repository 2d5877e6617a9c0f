#include "JsonWriter.h"

#include "recording/Windows1252.h"

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

namespace {

// The length of the valid UTF-8 sequence at `at`, or 0.
std::size_t utf8SequenceLength(const std::string& text, std::size_t at) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x6  ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
    return length;
}

} // namespace

void JsonWriter::string(const std::string& stored) {
    utf8String(kestrum::windows1252ToUtf8(stored));
}

void JsonWriter::utf8String(const std::string& text) {
    separate();
    text_ += '"';
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8SequenceLength(text, at);
        if (length == 0) {
            text_ += "\\ufffd";
            ++at;
            continue;
        }
        if (length > 1) {
            text_.append(text, at, length);
            at += length;
            continue;
        }
        const char c = text[at++];
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte == '\\') {
            text_ += '\\';
            text_ += c;
        } else if (byte == '\n') {
            text_ += "\\n";
        } else if (byte == '\r') {
            text_ += "\\r";
        } else if (byte == '\t') {
            text_ += "\\t";
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            text_ += escape;
        } else {
            text_ += c;
        }
    }
    text_ += '"';
}

} // namespace zoqtool

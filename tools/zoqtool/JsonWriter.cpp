#include "JsonWriter.h"

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

void JsonWriter::string(const std::string& latin1) {
    separate();
    text_ += '"';
    for (const char c : latin1) {
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
        } else if (byte < 0x80) {
            text_ += c;
        } else {
            text_ += static_cast<char>(0xC0 | (byte >> 6));
            text_ += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    text_ += '"';
}

} // namespace zoqtool

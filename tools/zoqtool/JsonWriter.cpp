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

void JsonWriter::string(const std::string& stored) {
    separate();
    text_ += '"';
    for (const char c : kestrum::windows1252ToUtf8(stored)) {
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

#pragma once

#include <string>

namespace zoqtool {

// Builds one compact JSON text. Strings are given as the recording stores its text (Windows-1252)
// or, through utf8String, as UTF-8 text (the catalogue's); both are written as strictly valid
// UTF-8, with every control character (C0, DEL, C1) escaped (\n, \r, \t, else \u00XX).
class JsonWriter {
  public:
    void beginObject() {
        separate();
        text_ += '{';
        first_ = true;
    }
    void endObject() {
        text_ += '}';
        first_ = false;
    }
    void beginArray() {
        separate();
        text_ += '[';
        first_ = true;
    }
    void endArray() {
        text_ += ']';
        first_ = false;
    }
    void key(const std::string& name);
    void string(const std::string& stored);
    // A byte that is not part of valid UTF-8 (a file name in another encoding, an overlong form, a
    // surrogate) is written as U+FFFD.
    void utf8String(const std::string& text);
    // Bytes as they are (a file name the file system holds in any encoding), in base64.
    void base64String(const std::string& bytes);
    void boolean(bool value) {
        separate();
        text_ += value ? "true" : "false";
    }
    void number(const std::string& digits) {
        separate();
        text_ += digits;
    }
    void number(long long value) { number(std::to_string(value)); }
    void null() {
        separate();
        text_ += "null";
    }

    const std::string& text() const { return text_; }

  private:
    void separate();
    std::string text_;
    bool first_ = true;
    bool afterKey_ = false;
};

} // namespace zoqtool

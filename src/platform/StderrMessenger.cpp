#include "platform/StderrMessenger.h"

#include "platform/WriteAll.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace kestrum {

std::string messageLine(const std::string& text) {
    std::string line = std::string(kProductTitle) + ": ";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            line += "\\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i; // CR LF is one line break
        } else {
            line += c;
        }
    }
    return line;
}

void echoToStandardError(const std::string& text) {
    writeAll(STDERR_FILENO, messageLine(text) + "\n");
}

std::optional<bool> unattendedAnswer() {
    const char* value = std::getenv("KESTRUM_UNATTENDED");
    if (value == nullptr)
        return std::nullopt;
    if (std::strcmp(value, "yes") == 0)
        return true;
    if (std::strcmp(value, "no") == 0)
        return false;
    return std::nullopt;
}

void ConsoleMessenger::showError(const std::string& text) {
    writeAll(STDERR_FILENO, text + "\n");
}

void ConsoleMessenger::showInformation(const std::string& text) {
    writeAll(STDERR_FILENO, text + "\n");
}

bool ConsoleMessenger::askQuestion(const std::string& text) {
    writeAll(STDERR_FILENO, text + (answer_ ? " yes\n" : " no\n"));
    return answer_;
}

} // namespace kestrum

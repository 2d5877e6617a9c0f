#include "platform/StderrMessenger.h"

#include "platform/EscapedText.h"
#include "platform/WriteAll.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace kestrum {

std::string messageLine(const std::string& text) {
    std::string line = std::string(kProductTitle) + ": ";
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            line += escapeControlCharacters(std::string_view(text).substr(start, i - start)) + "\\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i; // CR LF is one line break
            start = i + 1;
        }
    }
    return line + escapeControlCharacters(std::string_view(text).substr(start));
}

namespace {

// A message for a terminal: its own line breaks kept, every other control character escaped.
std::string terminalText(const std::string& text) {
    std::string shown;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        shown += escapeControlCharacters(std::string_view(text).substr(start, end - start)) + "\n";
        start = end + 1;
    }
    return shown + escapeControlCharacters(std::string_view(text).substr(start));
}

} // namespace

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
    writeAll(STDERR_FILENO, terminalText(text) + "\n");
}

void ConsoleMessenger::showInformation(const std::string& text) {
    writeAll(STDERR_FILENO, terminalText(text) + "\n");
}

bool ConsoleMessenger::askQuestion(const std::string& text) {
    writeAll(STDERR_FILENO, terminalText(text) + (answer_ ? " yes\n" : " no\n"));
    return answer_;
}

} // namespace kestrum

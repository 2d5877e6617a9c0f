#pragma once

#include "platform/Messenger.h"

#include <optional>
#include <string>

namespace kestrum {

// "LUMBRA PLAYER: <text>" on one line: line breaks inside the text become the two characters \n,
// other control characters their escapes (platform/EscapedText).
std::string messageLine(const std::string& text);

// Writes messageLine(text) and a line feed to standard error in one write.
void echoToStandardError(const std::string& text);

// The answer every question gets in unattended mode: KESTRUM_UNATTENDED=yes or no.
// Empty when the variable is unset or holds anything else (attended mode).
std::optional<bool> unattendedAnswer();

// Unattended mode: no box is shown; every message and question goes to standard error as one
// line, and every question is answered with the configured answer.
class UnattendedMessenger : public Messenger {
  public:
    explicit UnattendedMessenger(bool answer) : answer_(answer) {}
    void showError(const std::string& text) override { echoToStandardError(text); }
    void showInformation(const std::string& text) override { echoToStandardError(text); }
    bool askQuestion(const std::string& text) override {
        echoToStandardError(text);
        return answer_;
    }

  private:
    bool answer_;
};

// For the command-line tools: the text with its line breaks on standard error, its other control
// characters escaped (platform/EscapedText).
class ConsoleMessenger : public Messenger {
  public:
    explicit ConsoleMessenger(bool answer = false) : answer_(answer) {}
    void showError(const std::string& text) override;
    void showInformation(const std::string& text) override;
    bool askQuestion(const std::string& text) override;

  private:
    bool answer_;
};

} // namespace kestrum

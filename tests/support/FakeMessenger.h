#pragma once

#include "platform/LogSink.h"
#include "platform/Messenger.h"

#include <string>
#include <vector>

namespace kestrum::test {

// Keeps every message and question instead of showing it.
class FakeMessenger : public Messenger {
  public:
    struct Shown {
        enum class Kind { Error, Information, Question } kind;
        std::string text;
    };

    void showError(const std::string& text) override { shown.push_back({Shown::Kind::Error, text}); }
    void showInformation(const std::string& text) override {
        shown.push_back({Shown::Kind::Information, text});
    }
    bool askQuestion(const std::string& text) override {
        shown.push_back({Shown::Kind::Question, text});
        return answer;
    }

    // The only message shown, or "" when none or several were.
    std::string onlyText() const { return shown.size() == 1 ? shown[0].text : std::string(); }

    std::vector<Shown> shown;
    bool answer = false;
};

// Keeps every logged line.
class FakeLog : public LogSink {
  public:
    void writeLog(const std::string& message) override { lines.push_back(message); }
    std::vector<std::string> lines;
};

} // namespace kestrum::test

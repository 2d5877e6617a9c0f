#pragma once

#include "platform/LogSink.h"
#include "platform/Messenger.h"

#include <string>

namespace kestrum {

// The one way a failing operation tells the user: it formats its message, writes it to the log
// and shows it, then returns 1. The variants cover the few messages that are only logged, or shown
// with the information icon.
class Reporter {
  public:
    Reporter(Messenger& messenger, LogSink& log) : messenger_(messenger), log_(log) {}

    // Logged and shown with the error icon; returns 1 so callers can `return reporter.fail(...)`.
    int fail(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Logged and shown with the information icon.
    void inform(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Logged only.
    void logOnly(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // A yes/no question; questions are never logged.
    bool ask(const std::string& question) { return messenger_.askQuestion(question); }
    Messenger::Answer askOrCancel(const std::string& question) {
        return messenger_.askQuestionOrCancel(question);
    }

    Messenger& messenger() { return messenger_; }
    LogSink& log() { return log_; }

  private:
    Messenger& messenger_;
    LogSink& log_;
};

} // namespace kestrum

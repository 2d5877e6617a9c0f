#pragma once

#include "platform/LogSink.h"
#include "platform/Messenger.h"

#include <cstdio>
#include <cstdlib>

namespace kestrum::fuzz {

// Prints a line only when KESTRUM_FUZZ_MESSAGES is set: for replaying one input by hand.
inline void showFuzzMessage(const std::string& text) {
    static const bool wanted = std::getenv("KESTRUM_FUZZ_MESSAGES") != nullptr;
    if (wanted)
        std::fprintf(stderr, "%s\n", text.c_str());
}

// Shows nothing and keeps nothing, answering every question No: most fuzz inputs are refused,
// and keeping or printing millions of refusals would only slow the fuzzer down. To see why one
// input was refused, replay it with KESTRUM_FUZZ_MESSAGES=1 in the environment.
class SilentMessenger : public Messenger {
  public:
    void showError(const std::string& text) override { show(text); }
    void showInformation(const std::string& text) override { show(text); }
    bool askQuestion(const std::string& text) override {
        show(text);
        return false;
    }

  private:
    static void show(const std::string& text) { showFuzzMessage("message: " + text); }
};

} // namespace kestrum::fuzz

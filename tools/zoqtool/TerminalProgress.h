#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace zoqtool {

// A progress line on standard error, only when that is a terminal, redrawn at most ten times a
// second. Cleared before anything else is printed, and at the end.
class TerminalProgress {
  public:
    TerminalProgress() : shown_(::isatty(STDERR_FILENO) == 1) {}
    ~TerminalProgress() { clear(); }
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    // Whether updates are drawn: a caller can skip making their text when not.
    bool shown() const { return shown_; }
    // Whether an update now would be drawn.
    bool due() const {
        return shown_ && std::chrono::steady_clock::now() - last_ >= std::chrono::milliseconds(100);
    }

    void update(const std::string& text) {
        if (!due())
            return;
        last_ = std::chrono::steady_clock::now();
        std::fprintf(stderr, "\r\033[K%s", text.c_str());
        drawn_ = true;
    }
    void clear() {
        if (drawn_)
            std::fprintf(stderr, "\r\033[K");
        drawn_ = false;
    }

  private:
    bool shown_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point last_{};
};

} // namespace zoqtool

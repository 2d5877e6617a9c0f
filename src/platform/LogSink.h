#pragma once

#include <string>

namespace kestrum {

// Where failures are recorded. The per-user log implements it; it never reports its own failures.
class LogSink {
  public:
    virtual ~LogSink() = default;
    virtual void writeLog(const std::string& message) = 0;
};

// For the command-line tools, which keep no log: their messages go to standard error only.
class NoLog : public LogSink {
  public:
    void writeLog(const std::string&) override {}
};

} // namespace kestrum

#pragma once

#include <string>

namespace kestrum {

// Where failures are recorded. The per-user log implements it; it never reports its own failures.
class LogSink {
  public:
    virtual ~LogSink() = default;
    virtual void writeLog(const std::string& message) = 0;
};

} // namespace kestrum

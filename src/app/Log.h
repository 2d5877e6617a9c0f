#pragma once

#include "app/Environment.h"
#include "platform/LogSink.h"

#include <ctime>
#include <mutex>
#include <string>

namespace kestrum {

// The per-user log: "ZOQ LUMBRA PLAYER" as its first line, then one line per message with the
// version text and the local time; the message's control characters (its line breaks too) are
// written as escapes (platform/EscapedText), so every message is one line. The file is opened and closed for
// every line, so it is complete however the process ends. Nothing is written before the environment is ready
// or in viewer mode, and a failing write is never reported to the user.
class Log : public LogSink {
  public:
    Log(const Environment& env, const Options& options) : env_(env), options_(options) {}
    void writeLog(const std::string& message) override;

    // The line written for `message` at time `when`, with its CR LF.
    static std::string formatLine(const std::string& versionText, std::time_t when,
                                  const std::string& message);

  private:
    const Environment& env_;
    const Options& options_; // for viewer mode
    std::mutex mutex_;       // export workers log from their own threads
};

} // namespace kestrum

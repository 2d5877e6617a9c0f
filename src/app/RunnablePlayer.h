#pragma once

#include <string>

namespace kestrum {

// A run of the player as the application object drives it: run on a command line, and ended
// when an exception escapes it. The player implements it; the application object knows the run
// only through it.
class RunnablePlayer {
  public:
    virtual ~RunnablePlayer() = default;

    // Runs the player on the command line; returns the exit code.
    virtual int run(const std::string& commandLine) = 0;
    // An exception escaped the run: its text is shown, and the run ends.
    virtual void endAfterException(const std::string& what) = 0;
};

} // namespace kestrum

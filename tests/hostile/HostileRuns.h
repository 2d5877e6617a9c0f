#pragma once

#include "support/ProcessRunner.h"
#include "support/TempDir.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrum::test {

// A hostile recording alone in a directory of its own, so a run that wrote to it, or left
// anything beside it, is seen.
class RecordingOnDisk {
  public:
    explicit RecordingOnDisk(const std::vector<std::uint8_t>& bytes, const std::string& name = "call.ZOQ");

    const std::string& path() const { return path_; }
    // True when the file holds exactly the bytes it was written with.
    bool unchanged() const;
    // The names in the directory besides the recording and `allowed`.
    std::vector<std::string> strayFiles(const std::vector<std::string>& allowed = {}) const;

  private:
    TempDir dir_;
    std::string path_;
    std::vector<std::uint8_t> bytes_;
};

ProcessResult runZoqtool(const std::vector<std::string>& arguments);

// How a run of the player ended.
struct PlayerRun {
    bool sounded = false; // it played something other than silence
    bool stopped = false; // it was still running, and was closed with SIGTERM
    int exitCode = -1;    // -1: killed, by its own fault or at the time limit
    std::string messages; // its own "LUMBRA PLAYER: " lines
    std::string err;      // everything it printed on standard error
};

// Runs the real player on `commandLine`, offscreen and unattended, its sound device SDL's disk
// driver (so what it plays can be seen; the driver writes silence from the moment the device is
// open). A run that plays sound is closed with SIGTERM as soon as it does. Otherwise the run is
// waited for until it ends by itself; or, when `quietSeconds` is given (a recording without audio
// plays silence), closed with SIGTERM once that time has passed.
PlayerRun runPlayer(const std::string& commandLine, const std::string& workingDirectory,
                    std::optional<double> quietSeconds = std::nullopt);

// The player's own message lines out of all it wrote to standard error.
std::string playerMessages(const std::string& err);

} // namespace kestrum::test

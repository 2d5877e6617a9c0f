#include "hostile/HostileRuns.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>

namespace kestrum::test {

namespace fs = std::filesystem;

RecordingOnDisk::RecordingOnDisk(const std::vector<std::uint8_t>& bytes, const std::string& name)
    : path_(dir_.file(name)), bytes_(bytes) {
    writeFileBytes(path_, bytes_);
}

bool RecordingOnDisk::unchanged() const {
    return fs::is_regular_file(path_) && readFileBytes(path_) == bytes_;
}

std::vector<std::string> RecordingOnDisk::strayFiles(const std::vector<std::string>& allowed) const {
    std::vector<std::string> stray;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir_.path())) {
        const std::string name = entry.path().filename().string();
        if (entry.path() != path_ && std::find(allowed.begin(), allowed.end(), name) == allowed.end())
            stray.push_back(name);
    }
    return stray;
}

ProcessResult runZoqtool(const std::vector<std::string>& arguments) {
    ProcessOptions options;
    options.timeoutSeconds = 20;
    return runProcess(ZOQTOOL_BINARY, arguments, options);
}

std::string playerMessages(const std::string& err) {
    std::string lines;
    std::size_t start = 0;
    while (start < err.size()) {
        std::size_t end = err.find('\n', start);
        end = end == std::string::npos ? err.size() : end + 1;
        const std::string line = err.substr(start, end - start);
        if (line.rfind("LUMBRA PLAYER: ", 0) == 0)
            lines += line;
        start = end;
    }
    return lines;
}

namespace {

// Watches the disk driver's file for bytes other than the silence value 0x80.
class SoundWatch {
  public:
    explicit SoundWatch(std::string path) : path_(std::move(path)) {}
    bool heardSound() {
        if (heard_)
            return true;
        std::ifstream file(path_, std::ios::binary);
        file.seekg(static_cast<std::streamoff>(checked_));
        char byte = 0;
        while (file.get(byte)) {
            ++checked_;
            if (static_cast<unsigned char>(byte) != 0x80)
                return heard_ = true;
        }
        return false;
    }

  private:
    std::string path_;
    std::size_t checked_ = 0;
    bool heard_ = false;
};

} // namespace

PlayerRun runPlayer(const std::string& commandLine, const std::string& workingDirectory,
                    std::optional<double> quietSeconds) {
    constexpr int kLimitSeconds = 30;
    TempDir audioDir;
    const std::string audioFile = audioDir.file("played.raw");
    ProcessOptions options;
    options.workingDirectory = workingDirectory;
    options.env = {{"QT_QPA_PLATFORM", "offscreen"},
                   {"KESTRUM_UNATTENDED", "yes"},
                   {"SDL_AUDIODRIVER", "disk"},
                   {"SDL_DISKAUDIOFILE", audioFile}};
    RunningProcess player(KESTRUM_BINARY, {commandLine}, options);

    PlayerRun run;
    SoundWatch sound(audioFile);
    waitUntil([&] { return sound.heardSound() || !player.running(); }, quietSeconds.value_or(kLimitSeconds));
    run.sounded = sound.heardSound();
    if (player.running() && (run.sounded || quietSeconds)) {
        run.stopped = true;
        player.signal(SIGTERM);
    }
    const ProcessResult result = player.wait(kLimitSeconds);
    run.exitCode = result.exitCode;
    run.err = result.err;
    run.messages = playerMessages(result.err);
    return run;
}

} // namespace kestrum::test

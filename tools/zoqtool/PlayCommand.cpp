#include "PlayCommand.h"

#include "audio/AudioLoader.h"
#include "audio/PlaybackEngine.h"
#include "audio/SdlWaveOut.h"
#include "audio/SoundDevice.h"
#include "audio/Transport.h"
#include "platform/LogSink.h"
#include "platform/StderrMessenger.h"
#include "recording/RecordingReader.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace zoqtool {

namespace {

using namespace kestrum;

// The terminal as the player window: the time text on one line, the timer as a flag.
class TerminalView : public PlaybackView {
  public:
    void setPlayTimeText(const std::string& text) override {
        std::printf("\r%s", text.c_str());
        std::fflush(stdout);
    }
    void setProgressPosition(int position) override { progress_ = std::min(position, 100); }
    int progressPosition() const override { return progress_; }
    void setPercentText(const std::string&) override {}
    void setControlEnabled(TransportControl, bool) override {}
    bool controlEnabled(TransportControl) const override { return true; }
    void setTimerEnabled(bool enabled) override { timer_ = enabled; }
    bool timerEnabled() const override { return timer_; }
    int playSpeedPosition() const override { return speedPosition_; }
    void setPlaySpeedPosition(int position) override { speedPosition_ = position; }
    void showLoopPlaying(bool) override {}
    void setVolumePercentText(const std::string&) override {}
    void setStepHints(const std::string&, const std::string&) override {}
    void closePlayer() override { closed_ = true; }

    bool closed() const { return closed_; }

  private:
    int progress_ = 0;
    bool timer_ = false;
    int speedPosition_ = kNormalSpeedPosition;
    bool closed_ = false;
};

struct PlayArguments {
    std::string path;
    int speedCode = 0;
    double fromSeconds = 0;
};

bool parseArguments(const std::vector<std::string>& arguments, PlayArguments& parsed) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if ((argument == "--speed" || argument == "--from") && i + 1 < arguments.size()) {
            char* end = nullptr;
            const std::string& value = arguments[++i];
            if (argument == "--speed") {
                parsed.speedCode = static_cast<int>(std::strtol(value.c_str(), &end, 10));
                if (*end != '\0' || parsed.speedCode < 0 || parsed.speedCode > 4)
                    return false;
            } else {
                parsed.fromSeconds = std::strtod(value.c_str(), &end);
                if (*end != '\0' || parsed.fromSeconds < 0)
                    return false;
            }
        } else {
            paths.push_back(argument);
        }
    }
    if (paths.size() != 1)
        return false;
    parsed.path = paths[0];
    return true;
}

int speedPositionOfCode(int code) {
    for (std::size_t position = 0; position < kSpeedCodeOfPosition.size(); ++position)
        if (kSpeedCodeOfPosition[position] == code)
            return static_cast<int>(position);
    return kNormalSpeedPosition;
}

} // namespace

int runPlay(const std::vector<std::string>& arguments) {
    PlayArguments parsed;
    if (!parseArguments(arguments, parsed)) {
        std::fprintf(stderr, "usage: zoqtool play FILE [--speed 0-4] [--from SECONDS]\n");
        return 2;
    }

    ConsoleMessenger messenger;
    NoLog log;
    Reporter reporter(messenger, log);
    RecordingState recording;
    recording.recordingPath = parsed.path;
    TextDisplays displays;
    RecordingReader reader(recording, reporter, displays, displays, {});
    SampleStore store;
    if (reader.openRecording() != 0 ||
        loadRecordingAudio(reader, recording, store, reporter, [](const std::string&) {}) != 0)
        return 1;

    TerminalView view;
    SdlWaveOut waveOut;
    SoundDevice device(waveOut, reporter, recording.playbackFormat);
    device.setView(&view);
    PlaybackState playback;
    NoWaveform waveform;
    PlaybackEngine engine(playback, recording, store, device, reporter, view, waveform);
    engine.prepareAfterLoading();
    if (device.openSoundDevice() != 0 || device.createPlayBuffers() != 0)
        return 1;

    const bool playStarted = true;
    Transport transport(engine, device, view, messenger, playStarted);
    playback.playPosition = std::min<std::uint32_t>(
        recording.audioLength,
        static_cast<std::uint32_t>(parsed.fromSeconds * recording.playbackFormat.samplesPerSec));
    view.setPlaySpeedPosition(speedPositionOfCode(parsed.speedCode));
    transport.play();

    // The player window's 100 ms timer: ticks on a fixed schedule, a late one not made up twice.
    using Clock = std::chrono::steady_clock;
    auto next = Clock::now();
    while (view.timerEnabled() && !view.closed()) {
        next += std::chrono::milliseconds(100);
        std::this_thread::sleep_until(next);
        if (Clock::now() - next > std::chrono::milliseconds(100))
            next = Clock::now();
        engine.Timer1Timer();
    }
    std::printf("\n");
    // The device still holds the last fraction of a second it took from the queue.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    device.releaseSoundDevice();
    return view.closed() ? 1 : 0;
}

} // namespace zoqtool

#include "PlayCommand.h"

#include "audio/AudioLoader.h"
#include "audio/PlaybackSession.h"
#include "audio/SdlAudioOutput.h"
#include "audio/SoundOutput.h"
#include "platform/LogSink.h"
#include "platform/StderrMessenger.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace zoqtool {

namespace {

using namespace kestrum;

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
    SampleStore store;
    if (openAndLoadRecording(recording, store, reporter) != 0)
        return 1;

    SdlAudioOutput device;
    SoundOutput output(device, reporter, recording.playbackFormat);
    PlaybackSession session(store, recording.playbackFormat, output, messenger);
    session.audioLoaded(recording.audioLength);
    output.attachSource(session);
    if (output.openSoundDevice() != 0)
        return 1;
    session.restoreSpeedPosition(speedPositionOfCode(parsed.speedCode));
    session.moveTo(session.clock().framesAt(parsed.fromSeconds));
    if (!session.play())
        return 1;

    // The display tick, as the player window's: the time on one line until play ends.
    std::string shownTime;
    for (PlaybackSnapshot shown = session.refresh(); shown.playing(); shown = session.refresh()) {
        if (shown.timeText != shownTime) {
            shownTime = shown.timeText;
            std::printf("\r%s", shownTime.c_str());
            std::fflush(stdout);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::printf("\n");
    output.release();
    return 0;
}

} // namespace zoqtool

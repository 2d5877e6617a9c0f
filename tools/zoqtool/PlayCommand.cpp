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
    ListeningAids aids;
};

bool parseNumber(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0';
}

bool parseArguments(const std::vector<std::string>& arguments, PlayArguments& parsed) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool takesValue = argument == "--speed" || argument == "--from" || argument == "--rewind";
        if (takesValue && i + 1 < arguments.size()) {
            double value = 0;
            if (!parseNumber(arguments[++i], value) || value < 0)
                return false;
            if (argument == "--speed") {
                if (value > 4 || value != static_cast<int>(value))
                    return false;
                parsed.speedCode = static_cast<int>(value);
            } else if (argument == "--from") {
                parsed.fromSeconds = value;
            } else {
                if (value > kLongestRewindSeconds || value != static_cast<int>(value))
                    return false;
                parsed.aids.rewindSeconds = static_cast<int>(value);
            }
        } else if (argument == "--keep-pitch") {
            parsed.aids.filters.keepPitch = true;
        } else if (argument == "--even") {
            parsed.aids.filters.evenVoices = true;
        } else if (argument == "--denoise") {
            parsed.aids.filters.reduceNoise = true;
        } else if (argument == "--skip-silence") {
            parsed.aids.skipSilence = true;
        } else if (takesValue || argument.rfind("--", 0) == 0) {
            return false;
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
        std::fprintf(stderr,
                     "usage: zoqtool play FILE [--speed 0-4] [--from SECONDS] [--keep-pitch] [--even] "
                     "[--denoise] [--skip-silence] [--rewind 0-5]\n");
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
    if (parsed.aids.skipSilence) {
        SilenceMap silences;
        silences.build(store.samples(), recording.playbackFormat);
        session.setSilences(silences.skippable());
    }
    output.attachSource(session);
    if (output.openSoundDevice() != 0)
        return 1;
    session.restoreSpeedPosition(speedPositionOfCode(parsed.speedCode));
    // Play from a second is Play after a pause there: a rewind starts that much earlier.
    session.moveTo(session.clock().framesAt(parsed.fromSeconds));
    if (!session.setAids(parsed.aids) || !session.play())
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

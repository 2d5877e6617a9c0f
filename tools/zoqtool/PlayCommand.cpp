#include "PlayCommand.h"

#include "CommandOptions.h"
#include "NumberArguments.h"
#include "app/PlaybackTexts.h"
#include "audio/AudioLoader.h"
#include "audio/PlaybackStack.h"
#include "audio/SdlAudioOutput.h"
#include "audio/Speed.h"
#include "platform/FormatText.h"
#include "platform/LogSink.h"
#include "platform/StderrMessenger.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <thread>
#include <utility>

namespace zoqtool {

namespace {

using namespace kestrum;

struct PlayArguments {
    std::string path;
    Speed speed;
    double fromSeconds = 0;
    ListeningAids aids;
};

// A speed's factor as its label shows it, to hundredths: "0.75", "0.88", "1", "1.25", "1.5".
std::string factorText(double factor) {
    std::string text = formatText("%.2f", factor);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.')
        text.pop_back();
    return text;
}

// The speed of a factor as people write it ("0.75", "1.5", "75%"): the player's own speeds, each
// as its label rounds it or exactly.
std::optional<Speed> speedOf(std::string text) {
    const bool percent = !text.empty() && text.back() == '%';
    if (percent)
        text.pop_back();
    double factor = 0;
    if (!parseNonNegative(text, factor))
        return std::nullopt;
    return Speed::ofFactor(percent ? factor / 100 : factor);
}

// What --speed takes: "0.75, 0.88, 1, 1.25, 1.5 (or 75%, 88%, 100%, 125%, 150%)".
std::string speedFactors() {
    std::string factors, percents;
    for (int position = 0; position < Speed::kCount; ++position) {
        const double factor = Speed::ofPosition(position)->factor();
        factors += (position > 0 ? ", " : "") + factorText(factor);
        percents += (position > 0 ? ", " : "") + formatText("%.0f%%", factor * 100);
    }
    return factors + " (or " + percents + ")";
}

// Reads the value of --speed, --from or --rewind; false with what is wrong with it.
bool parseValue(const std::string& option, const std::string& value, PlayArguments& parsed,
                std::string& problem) {
    if (option == "--speed") {
        const std::optional<Speed> speed = speedOf(value);
        if (!speed) {
            problem = "the player has no speed " + value + ": it plays at " + speedFactors();
            return false;
        }
        parsed.speed = *speed;
    } else if (option == "--from") {
        if (!parseNonNegative(value, parsed.fromSeconds)) {
            problem = "--from takes a number of seconds, 0 or more, not " + value;
            return false;
        }
    } else if (!parseWholeNumber(value, 0, kLongestRewindSeconds, parsed.aids.rewindSeconds)) {
        problem = formatText("--rewind takes a whole number of seconds from 0 to %d, not %s",
                             kLongestRewindSeconds, value.c_str());
        return false;
    }
    return true;
}

constexpr const char* kUsage =
    "usage: zoqtool play FILE [--speed FACTOR] [--from SECONDS] [--keep-pitch] [--even] "
    "[--denoise] [--skip-silence] [--rewind 0-5]";

// Reads the command line; nothing when play is to start, else the exit code.
std::optional<int> parseArguments(const std::vector<std::string>& arguments, PlayArguments& parsed) {
    CommandOptions options(kUsage,
                           "Plays a call from the terminal through the player's own playback session, "
                           "with any of its listening aids, and shows the time until the end.");
    CLI::App& app = options.app;
    std::string speed, from, rewind;
    app.add_option("FILE", parsed.path, "the recording")->required();
    const CLI::Option* speedGiven =
        app.add_option("--speed", speed, "one of the player's speeds: " + speedFactors())
            ->option_text("FACTOR");
    const CLI::Option* fromGiven =
        app.add_option("--from", from, "where to start; past the end: the last second")
            ->option_text("SECONDS");
    app.add_flag("--keep-pitch", parsed.aids.filters.keepPitch, "the speed changes the tempo only");
    app.add_flag("--even", parsed.aids.filters.evenVoices,
                 "brings a quiet and a loud voice to a similar level");
    app.add_flag("--denoise", parsed.aids.filters.reduceNoise, "takes off line hum and hiss");
    app.add_flag("--skip-silence", parsed.aids.skipSilence, "jumps over silences of two seconds or more");
    const CLI::Option* rewindGiven =
        app.add_option("--rewind", rewind, "starts that many seconds before --from")->option_text("0-5");
    if (const std::optional<int> ended = options.parse(arguments))
        return ended;
    std::string problem;
    const std::pair<const CLI::Option*, const std::string*> values[] = {
        {speedGiven, &speed}, {fromGiven, &from}, {rewindGiven, &rewind}};
    for (const auto& [option, value] : values)
        if (*option && !parseValue(option->get_name(), *value, parsed, problem))
            return options.refuse(problem);
    return std::nullopt;
}

// Where play starts: the frame at the second asked for or, past the end, the last second of the
// call, as a keyword's second past the end plays in the player.
std::uint64_t startFrame(const PlaybackSession& session, double seconds) {
    const std::uint64_t length = session.snapshot().length;
    const std::uint64_t frame = session.clock().framesAt(seconds);
    const std::uint64_t second = session.clock().framesPerSecond();
    if (frame < length)
        return frame;
    return length > second ? length - second : 0;
}

} // namespace

int runPlay(const std::vector<std::string>& arguments) {
    PlayArguments parsed;
    if (const std::optional<int> ended = parseArguments(arguments, parsed))
        return *ended;

    ConsoleMessenger messenger;
    NoLog log;
    Reporter reporter(messenger, log);
    RecordingState recording;
    recording.recordingPath = parsed.path;
    SampleStore store;
    if (openAndLoadRecording(recording, store, reporter) != 0)
        return 1;

    SdlAudioOutput device;
    PlaybackStack playback(device, reporter, messenger, store, recording.playbackFormat);
    PlaybackSession& session = playback.makeSession();
    session.audioLoaded(recording.audioLength);
    if (parsed.aids.skipSilence) {
        SilenceMap silences;
        silences.build(store.samples(), recording.playbackFormat);
        session.setSilences(silences.skippable());
    }
    playback.connect();
    if (playback.openDevice() != 0)
        return 1;
    session.restoreSpeed(parsed.speed);
    // Play from a second is Play after a pause there: a rewind starts that much earlier.
    session.moveTo(startFrame(session, parsed.fromSeconds));
    if (!session.setAids(parsed.aids) || !session.play())
        return 1;

    // The display tick, as the player window's: the time on one line until play ends.
    std::string shownTime;
    for (PlaybackSnapshot shown = session.refresh(); shown.playing(); shown = session.refresh()) {
        if (const std::string time = playTimeText(shown.shownSecond); time != shownTime) {
            shownTime = time;
            std::printf("\r%s", shownTime.c_str());
            std::fflush(stdout);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::printf("\n");
    return 0;
}

} // namespace zoqtool

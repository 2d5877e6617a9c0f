#include "TonesCommand.h"

#include "CallAudio.h"
#include "CommandOptions.h"
#include "JsonText.h"
#include "audio/FrameClock.h"
#include "audio/KeyPresses.h"

#include <cmath>
#include <cstdio>
#include <iostream>

namespace zoqtool {

namespace {

using namespace kestrum;

// Seconds to the millisecond, as the places are found.
double milliseconds(double seconds) {
    return std::round(seconds * 1000.0) / 1000.0;
}

} // namespace

int runTones(const std::vector<std::string>& arguments) {
    CommandOptions options("usage: zoqtool tones FILE [--json]",
                           "Lists the telephone keys pressed during the call (their tones, as the "
                           "telephone sends them): one line each with where the tone starts and how "
                           "long it lasts, in seconds, and the key.");
    std::string path;
    bool json = false;
    options.app.add_option("FILE", path, "the recording")->required();
    options.app.add_flag("--json", json,
                         R"(print them as one JSON object: {"tones":[{"digit","start","duration"}]})");
    if (const std::optional<int> ended = options.parse(arguments))
        return *ended;
    RecordingState recording;
    SampleStore store;
    if (loadCallAudio(path, recording, store) != 0)
        return 1;
    const FrameClock clock(recording.playbackFormat);
    const std::vector<KeyPress> presses = findKeyPresses(store.samples(), recording.playbackFormat);
    if (json) {
        Json tones = Json::array();
        for (const KeyPress& press : presses) {
            Json tone = Json::object();
            tone["digit"] = std::string(1, press.digit);
            tone["start"] = milliseconds(clock.secondsOf(press.start));
            tone["duration"] = milliseconds(clock.secondsOf(press.length));
            tones.push_back(std::move(tone));
        }
        Json result = Json::object();
        result["tones"] = std::move(tones);
        std::cout << jsonText(result) << '\n';
    } else {
        for (const KeyPress& press : presses)
            std::printf("%.3f %.3f %c\n", clock.secondsOf(press.start), clock.secondsOf(press.length),
                        press.digit);
    }
    return std::fflush(stdout) == 0 && std::cout.good() ? 0 : 1;
}

} // namespace zoqtool

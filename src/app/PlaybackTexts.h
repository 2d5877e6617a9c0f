#pragma once

#include "audio/PlaybackSession.h"

#include <optional>
#include <string>

namespace kestrum {

// The playback in words, as the player window and zoqtool play show it: the transport gives
// numbers (PlaybackSnapshot), these are its texts.

// "Time %2d:%02d" for a whole number of seconds.
std::string playTimeText(int seconds);
// The percent text: at least two digits and a percent sign.
std::string percentText(int percent);

// A time typed to go to: m:ss, h:mm:ss or seconds (whole or with a fraction), spaces around it
// allowed; empty for anything else (minutes or seconds of 60 or more after a colon included).
std::optional<double> secondsOfTypedTime(const std::string& typed);
// A time as m:ss, or h:mm:ss from an hour on, for the messages about a typed time.
std::string clockText(int seconds);

// The hints of the Back and Step buttons for a step-size position.
struct StepHints {
    std::string back;
    std::string step;
};
StepHints stepHints(int stepSizePosition);

// The texts of one snapshot: the time, the percent beside the progress bar (empty until it has
// shown one) and the volume's percent.
struct PlaybackTexts {
    std::string time;
    std::string percent;
    std::string volumePercent;
};
PlaybackTexts playbackTexts(const PlaybackSnapshot& shown);

} // namespace kestrum

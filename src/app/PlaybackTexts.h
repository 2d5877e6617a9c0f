#pragma once

#include "audio/PlaybackSession.h"

#include <string>

namespace kestrum {

// The playback in words, as the player window and zoqtool play show it: the transport gives
// numbers (PlaybackSnapshot), these are its texts.

// "Time %2d:%02d" for a whole number of seconds.
std::string playTimeText(int seconds);
// The percent text: at least two digits and a percent sign.
std::string percentText(int percent);

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

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
// A place in the call: "m:ss", or "h:mm:ss" from an hour on.
std::string callTimeText(int seconds);
// A place in the call to the tenth of a second (cut, not rounded): "m:ss.t", or "h:mm:ss.t".
std::string callTimeTenthsText(double seconds);
// A place in the call as a comment names it: "[m:ss]", or "[h:mm:ss]" from an hour on. The comment
// keeps it as ordinary text.
std::string timestampText(int seconds);
// The seconds of the timestamp that the character at `index` of `line` is part of (its brackets
// included), if it is part of one.
std::optional<int> timestampAt(const std::string& line, std::size_t index);

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

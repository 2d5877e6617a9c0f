#include "app/PlaybackTexts.h"

#include "platform/FormatText.h"

namespace kestrum {

std::string playTimeText(int seconds) {
    return formatText("Time %2d:%02d", seconds / 60, seconds % 60);
}

std::string percentText(int percent) {
    return formatText("%02d%%", percent);
}

StepHints stepHints(int stepSizePosition) {
    const int seconds = stepSeconds(stepSizePosition);
    return {formatText("Steps Back %d Seconds", seconds), formatText("Steps Forward %d Seconds", seconds)};
}

PlaybackTexts playbackTexts(const PlaybackSnapshot& shown) {
    return {playTimeText(shown.shownSecond), shown.shownPercent ? percentText(*shown.shownPercent) : "",
            percentText(shown.volume.percent())};
}

} // namespace kestrum

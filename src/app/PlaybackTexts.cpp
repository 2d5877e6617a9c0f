#include "app/PlaybackTexts.h"

#include "platform/FormatText.h"

#include <vector>

namespace kestrum {

namespace {

// "12", "05": digits only; a part after the first has two and stays under 60.
std::optional<int> timePart(const std::string& part, bool first) {
    if (part.empty() || part.size() > (first ? 4 : 2) || (!first && part.size() != 2))
        return std::nullopt;
    int value = 0;
    for (const char c : part) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (!first && value >= 60)
        return std::nullopt;
    return value;
}

} // namespace

std::string playTimeText(int seconds) {
    return formatText("Time %2d:%02d", seconds / 60, seconds % 60);
}

std::string percentText(int percent) {
    return formatText("%02d%%", percent);
}

std::string callTimeText(int seconds) {
    if (seconds >= 3600)
        return formatText("%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return formatText("%d:%02d", seconds / 60, seconds % 60);
}

std::string timestampText(int seconds) {
    return "[" + callTimeText(seconds) + "]";
}

std::optional<int> timestampAt(const std::string& line, std::size_t index) {
    if (index >= line.size())
        return std::nullopt;
    const std::size_t open = line.rfind('[', index);
    const std::size_t close = open == std::string::npos ? open : line.find(']', open);
    if (close == std::string::npos || close < index)
        return std::nullopt;
    std::vector<std::string> parts;
    std::size_t start = open + 1;
    for (std::size_t colon = line.find(':', start); colon < close; colon = line.find(':', start)) {
        parts.push_back(line.substr(start, colon - start));
        start = colon + 1;
    }
    parts.push_back(line.substr(start, close - start));
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    int seconds = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::optional<int> value = timePart(parts[i], i == 0);
        if (!value)
            return std::nullopt;
        seconds = seconds * 60 + *value;
    }
    return seconds;
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

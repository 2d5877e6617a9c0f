#include "app/PlaybackTexts.h"

#include "platform/FormatText.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
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

namespace {

bool allDigits(const std::string& part) {
    return !part.empty() && part.size() <= 6 &&
           std::all_of(part.begin(), part.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// Whole seconds, or seconds with a fraction: digits, and at most one point followed by digits.
std::optional<double> secondsOfPart(const std::string& part) {
    const std::size_t point = part.find('.');
    if (point == std::string::npos)
        return allDigits(part) ? std::optional<double>(std::atof(part.c_str())) : std::nullopt;
    if (!allDigits(part.substr(0, point)) || !allDigits(part.substr(point + 1)))
        return std::nullopt;
    return std::atof(part.c_str());
}

} // namespace

std::optional<double> secondsOfTypedTime(const std::string& typed) {
    const std::size_t first = typed.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::nullopt;
    const std::string text = typed.substr(first, typed.find_last_not_of(" \t") - first + 1);
    std::vector<std::string> parts;
    for (std::size_t from = 0;;) {
        const std::size_t colon = text.find(':', from);
        parts.push_back(text.substr(from, colon == std::string::npos ? std::string::npos : colon - from));
        if (colon == std::string::npos)
            break;
        from = colon + 1;
    }
    if (parts.size() > 3)
        return std::nullopt;
    const std::optional<double> seconds = secondsOfPart(parts.back());
    if (!seconds || (parts.size() > 1 && *seconds >= 60))
        return std::nullopt;
    double total = *seconds;
    double unit = 60;
    for (std::size_t i = parts.size() - 1; i-- > 0; unit *= 60) {
        if (!allDigits(parts[i]))
            return std::nullopt;
        const int value = std::atoi(parts[i].c_str());
        if (parts.size() == 3 && i == 1 && value >= 60)
            return std::nullopt;
        total += value * unit;
    }
    return total;
}

std::string callTimeText(int seconds) {
    if (seconds >= 3600)
        return formatText("%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return formatText("%d:%02d", seconds / 60, seconds % 60);
}

std::string callTimeTenthsText(double seconds) {
    const auto tenths = static_cast<long long>(std::max(seconds, 0.0) * 10);
    return callTimeText(static_cast<int>(tenths / 10)) + formatText(".%d", static_cast<int>(tenths % 10));
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

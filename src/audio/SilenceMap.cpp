#include "audio/SilenceMap.h"

#include "audio/FrameClock.h"

#include <algorithm>
#include <cmath>

namespace kestrum {

namespace {

// The sum of squared sample values of `frames` frames, each sample centred on 0.
double energyOf(const std::uint8_t* bytes, std::uint64_t samples, bool sixteenBit) {
    double sum = 0;
    if (!sixteenBit) {
        for (std::uint64_t i = 0; i < samples; ++i) {
            const int centred = static_cast<int>(bytes[i]) - 128;
            sum += centred * centred;
        }
        return sum;
    }
    for (std::uint64_t i = 0; i < samples; ++i) {
        const auto sample = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        sum += static_cast<double>(sample) * sample;
    }
    return sum;
}

// The lowest level a window is given: digital silence has none.
constexpr float kSilentDecibels = -120.0F;

} // namespace

void SilenceMap::build(std::span<const std::uint8_t> pcm, const WaveFormat& format) {
    *this = SilenceMap();
    complete(pcm, format);
}

double SilenceMap::thresholdDecibels() const {
    const auto floorWindows = static_cast<std::size_t>(kFloorSeconds / kWindowSeconds);
    if (levels_.empty() || (levels_.size() < floorWindows && !complete_))
        return kThresholdDecibels;
    std::vector<float> levels = levels_;
    const auto share =
        levels.begin() + static_cast<std::ptrdiff_t>(kFloorShare * static_cast<double>(levels.size()));
    std::nth_element(levels.begin(), share, levels.end());
    return std::clamp(static_cast<double>(*share) + kFloorMarginDecibels, kThresholdDecibels,
                      kHighestThresholdDecibels);
}

void SilenceMap::findStretches() {
    const double threshold = thresholdDecibels();
    const auto shortest = static_cast<std::uint64_t>(kShortestSeconds * framesPerSecond_);
    silences_.clear();
    bool inStretch = false;
    std::uint64_t stretchStart = 0;
    const auto close = [&](std::uint64_t end) {
        if (inStretch && end - stretchStart >= shortest)
            silences_.push_back({stretchStart, end});
        inStretch = false;
    };
    for (std::size_t i = 0; i < levels_.size(); ++i) {
        const std::uint64_t start = i * window_;
        if (levels_[i] >= threshold) {
            close(start);
        } else if (!inStretch) {
            stretchStart = start;
            inStretch = true;
        }
    }
    // A stretch still silent where the scan stops is one only at the call's end.
    if (complete_)
        close(levels_.size() * window_ + trailingFrames_);
}

bool SilenceMap::extend(std::span<const std::uint8_t> pcm, const WaveFormat& format) {
    if (complete_)
        return false;
    const FrameClock clock(format);
    framesPerSecond_ = clock.framesPerSecond();
    const bool sixteenBit = format.bitsPerSample == 16;
    const double fullScale = sixteenBit ? 32768.0 : 128.0;
    window_ = std::max<std::uint64_t>(1, static_cast<std::uint64_t>(framesPerSecond_ * kWindowSeconds));
    const std::uint64_t samplesPerWindow = window_ * clock.frameBytes() / (sixteenBit ? 2 : 1);
    const double fullEnergy = fullScale * fullScale * static_cast<double>(samplesPerWindow);

    const std::uint64_t frames = clock.framesIn(pcm.size());
    const std::size_t scanned = levels_.size();
    for (std::uint64_t at = scanned * window_; at + window_ <= frames; at += window_) {
        const double energy = energyOf(pcm.data() + clock.bytesOf(at), samplesPerWindow, sixteenBit);
        levels_.push_back(
            energy > 0 ? std::max(kSilentDecibels, static_cast<float>(10 * std::log10(energy / fullEnergy)))
                       : kSilentDecibels);
    }
    trailingFrames_ = frames - levels_.size() * window_;
    if (levels_.size() == scanned)
        return false;
    const std::vector<FrameSpan> before = silences_;
    findStretches();
    return silences_ != before;
}

bool SilenceMap::complete(std::span<const std::uint8_t> pcm, const WaveFormat& format) {
    if (complete_)
        return false;
    const std::vector<FrameSpan> before = silences_;
    extend(pcm, format);
    complete_ = true;
    findStretches();
    return silences_ != before;
}

std::vector<FrameSpan> SilenceMap::skippable() const {
    const auto kept = static_cast<std::uint64_t>(kKeptSeconds * framesPerSecond_);
    std::vector<FrameSpan> spans;
    for (const FrameSpan& silence : silences_)
        if (silence.end - silence.begin > 2 * kept)
            spans.push_back({silence.begin + kept, silence.end - kept});
    return spans;
}

} // namespace kestrum

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

} // namespace

void SilenceMap::build(std::span<const std::uint8_t> pcm, const WaveFormat& format) {
    *this = SilenceMap();
    complete(pcm, format);
}

void SilenceMap::closeStretch(std::uint64_t end) {
    const auto shortest = static_cast<std::uint64_t>(kShortestSeconds * framesPerSecond_);
    if (inStretch_ && end - stretchStart_ >= shortest)
        silences_.push_back({stretchStart_, end});
    inStretch_ = false;
}

bool SilenceMap::extend(std::span<const std::uint8_t> pcm, const WaveFormat& format) {
    if (complete_)
        return false;
    const FrameClock clock(format);
    framesPerSecond_ = clock.framesPerSecond();
    const bool sixteenBit = format.bitsPerSample == 16;
    const double fullScale = sixteenBit ? 32768.0 : 128.0;
    const std::uint64_t window =
        std::max<std::uint64_t>(1, static_cast<std::uint64_t>(framesPerSecond_ * kWindowSeconds));
    const std::uint64_t samplesPerWindow = window * clock.frameBytes() / (sixteenBit ? 2 : 1);
    // Below the threshold: the mean square under fullScale^2 x 10^(dB / 10).
    const double quietEnergy = std::pow(10.0, kThresholdDecibels / 10.0) * fullScale * fullScale *
                               static_cast<double>(samplesPerWindow);

    const std::uint64_t frames = clock.framesIn(pcm.size());
    const std::size_t before = silences_.size();
    for (; scannedFrames_ + window <= frames; scannedFrames_ += window) {
        const bool quiet =
            energyOf(pcm.data() + clock.bytesOf(scannedFrames_), samplesPerWindow, sixteenBit) < quietEnergy;
        if (quiet && !inStretch_) {
            stretchStart_ = scannedFrames_;
            inStretch_ = true;
        } else if (!quiet) {
            closeStretch(scannedFrames_);
        }
    }
    return silences_.size() != before;
}

bool SilenceMap::complete(std::span<const std::uint8_t> pcm, const WaveFormat& format) {
    if (complete_)
        return false;
    const std::size_t before = silences_.size();
    extend(pcm, format);
    closeStretch(FrameClock(format).framesIn(pcm.size()));
    complete_ = true;
    return silences_.size() != before;
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

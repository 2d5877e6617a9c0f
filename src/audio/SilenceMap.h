#pragma once

#include "recording/WaveFormat.h"

#include <cstdint>
#include <span>
#include <vector>

namespace kestrum {

// A stretch of frames, [begin, end).
struct FrameSpan {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    bool operator==(const FrameSpan&) const = default;
};

// The silent stretches of a recording, found as it loads (as the peak summaries are): runs of
// 50 ms windows whose level stays below the call's threshold for 2 seconds or more. On a clean
// line the threshold is -35 dB of full scale: speech sits between -9 and -30 dB in such windows
// and the pauses between words near -45 dB, the floor of 8-bit sound. A line with hum or hiss has
// a floor of its own, which no pause goes below: there the threshold follows it, a margin above
// the level a tenth of the call's windows stay under (taken once ten seconds are scanned, and
// again as more are), never above -20 dB. Speech rises well above such a floor in some window of
// every two seconds.
class SilenceMap {
  public:
    static constexpr double kWindowSeconds = 0.05;
    static constexpr double kThresholdDecibels = -35.0;
    static constexpr double kFloorShare = 0.1;
    static constexpr double kFloorMarginDecibels = 4.0;
    static constexpr double kHighestThresholdDecibels = -20.0;
    static constexpr double kFloorSeconds = 10.0;
    static constexpr double kShortestSeconds = 2.0;
    // Skipping keeps this much of a stretch at each side, so speech is never cut at its edges.
    static constexpr double kKeptSeconds = 0.3;

    // Scans the store's PCM (in the playback format: 8-bit unsigned or 16-bit signed, any
    // channels; every channel counts), the whole call.
    void build(std::span<const std::uint8_t> pcm, const WaveFormat& format);
    // Scans what `pcm` holds past the part already scanned: `pcm` is the store as it stands while
    // the call loads. A stretch still silent at its end is not yet one: `complete` says the call
    // ends there. `extend` after `complete` changes nothing. True when the stretches changed.
    bool extend(std::span<const std::uint8_t> pcm, const WaveFormat& format);
    bool complete(std::span<const std::uint8_t> pcm, const WaveFormat& format);

    // The silent stretches, whole (what the waveform shades).
    const std::vector<FrameSpan>& silences() const { return silences_; }
    // What skipping leaves out of each: the stretch less the kept part at each side.
    std::vector<FrameSpan> skippable() const;
    // The level, in dB of full scale, below which a window is silent, as the call stands.
    double thresholdDecibels() const;

  private:
    // The stretches again from the windows' levels: the threshold moves as the call loads.
    void findStretches();

    std::vector<FrameSpan> silences_;
    std::vector<float> levels_; // each whole window's level in dB of full scale, from the start
    std::uint32_t framesPerSecond_ = 0;
    std::uint64_t window_ = 1;         // frames in a window
    std::uint64_t trailingFrames_ = 0; // scanned past the last whole window
    bool complete_ = false;
};

} // namespace kestrum

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

// The silent stretches of a recording, found as it loads (as the peak summaries are): runs
// of 50 ms windows whose level stays below -35 dB of full scale for 2 seconds or more. On the
// calls we have, speech sits between -9 and -30 dB in such windows and the pauses between words
// near -45 dB, the floor of 8-bit sound.
class SilenceMap {
  public:
    static constexpr double kWindowSeconds = 0.05;
    static constexpr double kThresholdDecibels = -35.0;
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

  private:
    void closeStretch(std::uint64_t end);

    std::vector<FrameSpan> silences_;
    std::uint32_t framesPerSecond_ = 0;
    std::uint64_t scannedFrames_ = 0; // whole windows from the start
    std::uint64_t stretchStart_ = 0;
    bool inStretch_ = false;
    bool complete_ = false;
};

} // namespace kestrum

#pragma once

#include "recording/WaveFormat.h"

#include <cstdint>

namespace kestrum {

// Time in a recording's playback format. Playback counts in frames, one sample of every channel:
// this is the one conversion between frames, the bytes of the sample store and seconds, used by
// the transport, the keywords, the waveform, the export ranges and zoqtool alike.
class FrameClock {
  public:
    FrameClock() = default;
    explicit FrameClock(const WaveFormat& format);

    // Bytes of one frame: a sample (8 or 16 bits) of each channel.
    std::uint32_t frameBytes() const { return frameBytes_; }
    std::uint32_t framesPerSecond() const { return framesPerSecond_; }

    std::uint64_t bytesOf(std::uint64_t frames) const { return frames * frameBytes_; }
    // The whole frames in `bytes` (a trailing part of a frame is not one).
    std::uint64_t framesIn(std::uint64_t bytes) const { return bytes / frameBytes_; }
    double secondsOf(std::uint64_t frames) const;
    int wholeSecondsOf(std::uint64_t frames) const;
    // The frame that plays at `seconds` from the start: 0 for negative times (and NaN), the
    // largest count for times past what a count holds (and infinity).
    std::uint64_t framesAt(double seconds) const;

  private:
    std::uint32_t frameBytes_ = 1;
    std::uint32_t framesPerSecond_ = 0;
};

} // namespace kestrum

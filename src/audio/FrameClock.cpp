#include "audio/FrameClock.h"

#include <algorithm>
#include <cmath>

namespace kestrum {

FrameClock::FrameClock(const WaveFormat& format)
    : frameBytes_(
          std::max<std::uint32_t>(1, std::uint32_t{format.channels} * ((format.bitsPerSample + 7u) / 8u))),
      framesPerSecond_(format.samplesPerSec) {}

double FrameClock::secondsOf(std::uint64_t frames) const {
    return framesPerSecond_ > 0 ? static_cast<double>(frames) / framesPerSecond_ : 0.0;
}

int FrameClock::wholeSecondsOf(std::uint64_t frames) const {
    return framesPerSecond_ > 0 ? static_cast<int>(frames / framesPerSecond_) : 0;
}

std::uint64_t FrameClock::framesAt(double seconds) const {
    if (!(seconds > 0))
        return 0;
    const double frames = std::floor(seconds * framesPerSecond_ + 1e-9);
    // A conversion of a value the type cannot hold is undefined: such a time lies past any call.
    return frames < 0x1p64 ? static_cast<std::uint64_t>(frames) : UINT64_MAX;
}

} // namespace kestrum

#pragma once

#include "recording/WaveFormat.h"

#include <cstddef>
#include <cstdint>

namespace kestrum {

// The volume as every layer names it: the volume bar's position (0 at the top, the loudest, to 32,
// silent), the percent shown beside it, and the device's volume word (one 16-bit level a channel,
// the left in the low half), which the sound is scaled by in software, for every format.
class Volume {
  public:
    static constexpr int kSteps = 32;

    // The loudest.
    constexpr Volume() = default;
    // Positions outside the bar are taken as its nearest end.
    static Volume ofBar(int barPosition);

    int barPosition() const { return bar_; }
    int percent() const;
    std::uint32_t deviceWord() const;
    // Scales PCM of `format` in place (8-bit unsigned or 16-bit signed samples, every channel's in
    // turn; the second channel by the right level).
    void apply(std::uint8_t* bytes, std::size_t count, const WaveFormat& format) const;
    bool operator==(const Volume&) const = default;

  private:
    explicit constexpr Volume(int bar) : bar_(bar) {}
    int level() const { return kSteps - bar_; }
    int bar_ = 0;
};

} // namespace kestrum

#pragma once

#include "recording/WaveFormat.h"

#include <optional>

namespace kestrum {

// One of the player's five speeds, as every layer names it: the play-speed control's position
// (Slow -25%, Slow -12%, Normal, Fast +25%, Fast +50%), its factor (0.75 to 1.5, the tempo of the
// time-stretcher with Keep pitch), and the device's speed code, which scales the rates of the
// playback format (so the same bytes play faster or slower, pitch and all).
class Speed {
  public:
    static constexpr int kCount = 5;

    // Normal.
    constexpr Speed() = default;
    static std::optional<Speed> ofPosition(int position);
    // The speed of a factor as people write it: a speed's own factor, or its label's rounding to
    // hundredths (0.88 for 0.875).
    static std::optional<Speed> ofFactor(double factor);

    int position() const { return position_; }
    double factor() const;
    int deviceSpeedCode() const;
    // The playback format at this speed: both rates scaled (scaledFormat).
    WaveFormat deviceFormat(const WaveFormat& format) const;
    bool operator==(const Speed&) const = default;

  private:
    explicit constexpr Speed(int position) : position_(position) {}
    int position_ = 2;
};

// The playback format with both rates scaled for a device speed code (the division first, in
// integers): 0 (or any unknown code) leaves them, 1 is x3/4, 2 x5/4, 3 x6/4, 4 x7/8.
WaveFormat scaledFormat(const WaveFormat& format, int speedCode);

} // namespace kestrum

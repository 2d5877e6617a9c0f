#pragma once

#include <cstdint>

namespace kestrum {

// The waveform chart as playback drives it: kept centred on the play position while visible.
class WaveformDisplay {
  public:
    virtual ~WaveformDisplay() = default;
    virtual bool isVisible() const = 0;
    // Shows seconds `minimum` to `maximum` with the play-position line at `cursor`, redrawn once.
    virtual void showSpan(double minimum, double maximum, double cursor) = 0;
};

// Keeps the waveform view centred on a position. The knob's scale sets how much is seen, and a
// wide view (scale 0.3 or more) is redrawn only at every second call, but always at the end.
class WaveformFollower {
  public:
    WaveformFollower(WaveformDisplay& display, std::uint32_t framesPerSecond)
        : display_(display), framesPerSecond_(framesPerSecond) {}

    void setFramesPerSecond(std::uint32_t framesPerSecond) { framesPerSecond_ = framesPerSecond; }
    // The knob's position as a fraction, 0 to 1.
    void setScale(double scale) { scale_ = scale; }
    double scale() const { return scale_; }
    // Centres the view on `frame`; `atEnd` says it is the recording's last position.
    void follow(std::uint64_t frame, bool atEnd);

  private:
    WaveformDisplay& display_;
    std::uint32_t framesPerSecond_;
    double scale_ = 0.0;
    bool skipNext_ = false;
};

} // namespace kestrum

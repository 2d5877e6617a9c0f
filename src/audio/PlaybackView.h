#pragma once

#include <string>

namespace kestrum {

// The transport buttons whose enabled state playback changes.
enum class TransportControl {
    PlayBtn,
    RestartBtn,
    StopBtn,
    BackBtn,
    StepBtn,
    MarkLoopBeginBtn,
    MarkLoopEndBtn,
    PlayLoopBtn,
};

// What playback shows and drives on the player window: the time and progress displays, the
// transport buttons, the 100 ms timer and the play-speed control.
class PlaybackView {
  public:
    virtual ~PlaybackView() = default;
    virtual void setPlayTimeText(const std::string& text) = 0;
    // The bar runs 0 to 100; a larger position is shown, and read back, as 100.
    virtual void setProgressPosition(int position) = 0;
    virtual int progressPosition() const = 0;
    virtual void setPercentText(const std::string& text) = 0;
    virtual void setControlEnabled(TransportControl control, bool enabled) = 0;
    virtual bool controlEnabled(TransportControl control) const = 0;
    virtual void setTimerEnabled(bool enabled) = 0;
    virtual bool timerEnabled() const = 0;
    virtual int playSpeedPosition() const = 0;
    virtual void setPlaySpeedPosition(int position) = 0;
    // PlayLoopBtn's caption and picture: "Stop &Loop" during loop play, "Play &Loop" otherwise.
    virtual void showLoopPlaying(bool playing) = 0;
    virtual void setVolumePercentText(const std::string& text) = 0;
    // The hints of BackBtn and StepBtn follow the step size.
    virtual void setStepHints(const std::string& back, const std::string& step) = 0;
    // Closes the player window, which ends the program through its normal close path.
    virtual void closePlayer() = 0;
};

// The waveform chart as playback drives it: kept centred on the play position while visible.
class WaveformDisplay {
  public:
    virtual ~WaveformDisplay() = default;
    virtual bool isVisible() const = 0;
    // Shows seconds `minimum` to `maximum` with the play-position line at `cursor`, redrawn once.
    virtual void showSpan(double minimum, double maximum, double cursor) = 0;
};

// No waveform window: nothing to keep centred.
class NoWaveform : public WaveformDisplay {
  public:
    bool isVisible() const override { return false; }
    void showSpan(double, double, double) override {}
};

} // namespace kestrum

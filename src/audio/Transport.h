#pragma once

#include "audio/PlaybackEngine.h"
#include "audio/PlaybackView.h"
#include "audio/SoundDevice.h"
#include "platform/Messenger.h"

#include <cstdint>

namespace kestrum {

// The step sizes of the step-size control's positions, in seconds; 0 outside 0 to 4.
int stepSeconds(int position);

// The device volume for a volume-bar position (0 at the top, loudest, to 32): the same level in
// both channels' 16 bits.
std::uint32_t deviceVolumeForBar(int barPosition);
int volumePercentForBar(int barPosition);

// What the transport buttons and sliders of the player window do. Each action changes only the
// play position, the loop marks and loop play, the enabled buttons and the timer, or reopens the
// device for a speed; the playback engine's tick does the output.
class Transport {
  public:
    Transport(PlaybackEngine& engine, SoundDevice& device, PlaybackView& view, Messenger& messenger,
              const bool& playStarted)
        : engine_(engine), device_(device), view_(view), messenger_(messenger), playStarted_(playStarted) {}

    void play();
    void restart();
    void stop();
    void back(int stepSizePosition);
    void step(int stepSizePosition);
    void markLoopBegin();
    void markLoopEnd();
    void togglePlayLoop();
    // Plays from a keyword's second (a double-click in the keyword list).
    void playFromSeconds(int seconds);
    void volumeBarChanged(int barPosition);
    void stepSizeChanged(int position);
    void playSpeedChanged(int position);
    // Reopens the device at a speed; a failure closes the player. False when it failed.
    bool playit(int speedCode);

  private:
    std::uint32_t stepEntries(int stepSizePosition) const;
    void enableForPlay();

    PlaybackEngine& engine_;
    SoundDevice& device_;
    PlaybackView& view_;
    Messenger& messenger_;
    const bool& playStarted_;
};

} // namespace kestrum

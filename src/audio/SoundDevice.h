#pragma once

#include "audio/PlaybackView.h"
#include "audio/SoundOutput.h"
#include "audio/WaveOut.h"
#include "platform/Reporter.h"
#include "recording/WaveFormat.h"

#include <array>

namespace kestrum {


// The sound output device of the run: opened at start-up by index, reopened through the wave
// mapper at the speed-scaled rate whenever play starts or the speed changes, and the two play
// buffers that the playback engine fills. Failures are logged and shown, and return 1.
class SoundDevice {
  public:
    SoundDevice(WaveOut& waveOut, Reporter& reporter, const WaveFormat& playbackFormat)
        : waveOut_(waveOut), reporter_(reporter), playbackFormat_(playbackFormat) {}

    // The window whose timer a reopen pauses and whose speed control a refused rate resets; the
    // device opens at start-up before that window exists.
    void setView(PlaybackView* view) { view_ = view; }

    int openSoundDevice();
    int openSndOutDev(int deviceIndex);
    int closeSndOutDev();
    int reOpenSndOutDev(int speedCode);
    int createPlayBuffers();
    void releaseSoundDevice();

    bool isOpen() const { return waveOut_.isOpen(); }
    WaveOut& waveOut() { return waveOut_; }
    std::array<WaveHeader, 2>& playBuffers() { return playBuffers_; }

  private:
    void unprepareBuffers();

    WaveOut& waveOut_;
    Reporter& reporter_;
    const WaveFormat& playbackFormat_;
    PlaybackView* view_ = nullptr;
    std::array<WaveHeader, 2> playBuffers_{};
};

} // namespace kestrum

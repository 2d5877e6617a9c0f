#pragma once

#include "audio/PlaybackView.h"
#include "audio/SampleStore.h"
#include "audio/SoundDevice.h"
#include "platform/Reporter.h"
#include "recording/RecordingState.h"

#include <cstdint>
#include <string>

namespace kestrum {

// The playback fields of the player state. Positions are sample-store indices.
struct PlaybackState {
    std::uint32_t playPosition = 0; // the next entry to queue (ahead of what is heard)
    std::uint32_t loopBegin = 0;
    std::uint32_t loopEnd = 0;
    bool loopPlaying = false;
    std::uint32_t onePercent = 0; // audioLength / 100
    double bytesPerSecond = 0.0;  // of the playback format
    int lastShownSecond = 0;
    double waveformScale = 0.0; // 0 to 1, from the waveform window's knob
    bool redrawSkip = false;
};

std::string playTimeText(int seconds);
std::string percentText(int percent);

// Playback, polled by the player window's 100 ms timer: each tick shows the time and progress,
// ends play at the end of the recording, and queues the next play buffers from the sample store,
// from the whole recording or from the loop between the marks.
class PlaybackEngine {
  public:
    PlaybackEngine(PlaybackState& playback, RecordingState& recording, SampleStore& store,
                   SoundDevice& device, Reporter& reporter, PlaybackView& view, WaveformDisplay& waveform)
        : state_(playback), recording_(recording), store_(store), device_(device), reporter_(reporter),
          view_(view), waveform_(waveform) {}

    // After loading: the progress step and the time base.
    void prepareAfterLoading();

    void Timer1Timer();
    int sendBufferForPlay();
    int sendloopBufferForPlay(bool restart);
    void showPlayPosition(std::uint32_t index);

    PlaybackState& state() { return state_; }
    std::uint32_t audioLength() const { return recording_.audioLength; }
    const WaveFormat& playbackFormat() const { return recording_.playbackFormat; }

  private:
    WaveHeader* freeBuffer(int& number);
    int queueBuffer(std::uint32_t end, const char* failure);
    bool deviceDrained();
    // The entries that can be played: the store never holds fewer than the recording's length
    // after a successful load, but a tick must not read past it either way.
    std::uint32_t playableLength() const;
    void showProgress(int position);
    void endOfPlay();

    PlaybackState& state_;
    RecordingState& recording_;
    SampleStore& store_;
    SoundDevice& device_;
    Reporter& reporter_;
    PlaybackView& view_;
    WaveformDisplay& waveform_;
};

} // namespace kestrum

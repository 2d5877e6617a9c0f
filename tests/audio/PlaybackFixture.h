#pragma once

#include "audio/PlaybackEngine.h"
#include "audio/SoundDevice.h"
#include "audio/Transport.h"
#include "support/FakeMessenger.h"
#include "support/FakePlayback.h"
#include "support/RecordingBuilder.h"

#include <gtest/gtest.h>

namespace kestrum::test {

// A loaded recording of `length` 8-bit samples at 8000 Hz, with the real engine, device logic
// and transport over a fake device and view.
class PlaybackFixture : public ::testing::Test {
  protected:
    PlaybackFixture() { device.setView(&view); }

    void load(std::uint32_t length) {
        recording.playbackFormat = kPcmDefaultFormat;
        recording.audioLength = length;
        audio = makeAudio(length);
        store.clear();
        store.append(audio);
        engine.prepareAfterLoading();
        ASSERT_EQ(device.openSoundDevice(), 0);
        ASSERT_EQ(device.createPlayBuffers(), 0);
    }
    // Starts play as the window's Play button does, after start-up.
    void startPlay() {
        playStarted = true;
        transport.play();
    }
    // Ticks until play ends, the device taking `perTick` bytes between ticks; returns the ticks.
    int playToEnd(std::uint64_t perTick = kPlayBufferSize) {
        int ticks = 0;
        while (view.timer && ticks < 10000) {
            engine.Timer1Timer();
            waveOut.consume(perTick);
            ++ticks;
        }
        return ticks;
    }

    RecordingState recording;
    SampleStore store;
    std::vector<std::uint8_t> audio;
    FakeWaveOut waveOut;
    FakePlaybackView view;
    FakeWaveform waveform;
    FakeMessenger messenger;
    FakeLog log;
    Reporter reporter{messenger, log};
    PlaybackState playback;
    SoundDevice device{waveOut, reporter, recording.playbackFormat};
    PlaybackEngine engine{playback, recording, store, device, reporter, view, waveform};
    bool playStarted = false;
    Transport transport{engine, device, view, messenger, playStarted};
};

} // namespace kestrum::test

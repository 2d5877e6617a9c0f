#pragma once

#include "audio/AudioOutput.h"
#include "audio/Speed.h"
#include "platform/Reporter.h"
#include "recording/WaveFormat.h"

#include <atomic>

namespace kestrum {

// The sound device of the run: opened at start-up by index at the recording's own rate, and
// reopened on any suitable device at the speed-scaled rate when the speed changes. Until the
// playback session is attached it plays silence. Failures are logged and shown, and return 1.
class SoundOutput {
  public:
    SoundOutput(AudioOutput& device, Reporter& reporter, const WaveFormat& playbackFormat)
        : device_(device), reporter_(reporter), playbackFormat_(playbackFormat), source_(playbackFormat) {}
    // The device never outlives the source it pulls from.
    ~SoundOutput() { device_.close(); }
    SoundOutput(const SoundOutput&) = delete;
    SoundOutput& operator=(const SoundOutput&) = delete;

    // The first device that opens, by index, at the recording's own rate, not yet running.
    int openSoundDevice();
    // The sound the device plays from now on.
    void attachSource(SoundSource& source) { source_.attach(&source); }
    // Reopens at the rate of a speed: the same bytes played at another rate, so the speed and the
    // pitch change together. A rate the device refuses falls back to Normal with a message, and
    // `fellBackToNormal` says so; any other failure is reported and returns 1, after which the
    // player cannot play and ends.
    int reopenAtSpeed(Speed speed, bool& fellBackToNormal);
    // The speed whose rate the device is open at.
    Speed speed() const { return speed_; }
    void setRunning(bool running) { device_.setRunning(running); }
    bool running() const { return device_.running(); }
    bool isOpen() const { return device_.isOpen(); }
    // Closes the device; its thread has ended when this returns, so the source may go.
    void release();

  private:
    int openByIndex(int deviceIndex);

    // The device's source for its whole life: the session once attached, silence before.
    class Forwarder : public SoundSource {
      public:
        explicit Forwarder(const WaveFormat& format) : format_(format) {}
        void attach(SoundSource* source) { source_.store(source); }
        void fillSound(std::span<std::uint8_t> out) override;

      private:
        const WaveFormat& format_;
        std::atomic<SoundSource*> source_{nullptr};
    };

    AudioOutput& device_;
    Reporter& reporter_;
    const WaveFormat& playbackFormat_;
    Forwarder source_;
    Speed speed_;
};

// The byte value of silence in a format: 128 for 8-bit unsigned samples, 0 for 16-bit signed.
std::uint8_t silenceByte(const WaveFormat& format);

} // namespace kestrum

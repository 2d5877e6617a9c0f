#pragma once

#include "audio/AudioOutput.h"
#include "platform/Reporter.h"
#include "recording/WaveFormat.h"

#include <array>
#include <atomic>

namespace kestrum {

// The speed codes, in the play-speed control's position order: Slow -25%, Slow -12%, Normal,
// Fast +25%, Fast +50%.
inline constexpr std::array<int, 5> kSpeedCodeOfPosition = {1, 4, 0, 2, 3};
inline constexpr int kNormalSpeedPosition = 2;
inline constexpr int kNormalSpeedCode = 0;

// The playback format with both rates scaled for a speed code (the division first, in integers):
// the same bytes played at another rate, so the speed and the pitch change together.
WaveFormat scaledFormat(const WaveFormat& format, int speedCode);

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
    // Reopens at the rate of a speed code. A rate the device refuses falls back to Normal with a
    // message, and `fellBackToNormal` says so; any other failure is reported and returns 1, after
    // which the player cannot play and ends.
    int reopenAtSpeed(int speedCode, bool& fellBackToNormal);
    // The speed code whose rate the device is open at.
    int speedCode() const { return speedCode_; }
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
    int speedCode_ = kNormalSpeedCode;
};

// The byte value of silence in a format: 128 for 8-bit unsigned samples, 0 for 16-bit signed.
std::uint8_t silenceByte(const WaveFormat& format);

} // namespace kestrum

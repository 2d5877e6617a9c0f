#pragma once

#include "audio/AudioOutput.h"

#include <cstdint>
#include <string>

namespace kestrum {

// The sound device over SDL's audio callback. SDL_AUDIODRIVER chooses the driver (`dummy` and
// `disk` play without sound hardware; `disk` writes what is played to SDL_DISKAUDIOFILE).
class SdlAudioOutput : public AudioOutput {
  public:
    SdlAudioOutput();
    ~SdlAudioOutput() override;
    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

    unsigned deviceCount() override;
    int canPlay(const WaveFormat& format) override;
    int open(int deviceIndex, const WaveFormat& format, SoundSource& source) override;
    bool isOpen() const override { return device_ != 0; }
    void setRunning(bool running) override;
    bool running() const override { return running_; }
    int close() override;
    std::string errorText(int result) override;

    // Result codes, numbered as device interfaces have long numbered them.
    static constexpr int kError = 1;
    static constexpr int kBadFormat = 32;

  private:
    int fail(int result);

    bool initialised_ = false;
    std::uint32_t device_ = 0; // SDL's device id; SDL's headers stay inside this layer
    bool running_ = false;
    std::string lastError_;
};

// Frames a device asks for at a time: 20 to 40 ms of sound, so a pause or a jump is heard within
// that, while the device wakes only some 30 to 50 times a second.
std::uint16_t deviceBufferFrames(std::uint32_t framesPerSecond);

} // namespace kestrum

#pragma once

#include "audio/WaveOut.h"

#include <SDL2/SDL_audio.h>

namespace kestrum {

// The wave-output device over SDL's audio queue: a written buffer is queued, and it is done once
// the device has taken its first bytes from the queue. SDL has no device volume, so the volume is applied
// to the bytes as they are queued. SDL_AUDIODRIVER chooses the driver (`dummy` and `disk` play
// without sound hardware).
class SdlWaveOut : public WaveOut {
  public:
    SdlWaveOut();
    ~SdlWaveOut() override;
    SdlWaveOut(const SdlWaveOut&) = delete;
    SdlWaveOut& operator=(const SdlWaveOut&) = delete;

    unsigned deviceCount() override;
    int open(int deviceId, const WaveFormat& format) override;
    int queryFormat(const WaveFormat& format) override;
    bool isOpen() const override { return device_ != 0; }
    int close() override;
    void reset() override;
    int prepareHeader(WaveHeader& header) override;
    int unprepareHeader(WaveHeader& header) override;
    int write(WaveHeader& header) override;
    void updateDone(WaveHeader& header) override;
    std::uint64_t queuedBytes() override;
    std::uint32_t volume() override { return volume_; }
    void setVolume(std::uint32_t volume) override { volume_ = volume; }
    std::string errorText(int result) override;

    // Result codes, as the original device interface numbered them.
    static constexpr int kError = 1;
    static constexpr int kBadFormat = 32;

  private:
    int fail(int result);

    bool initialised_ = false;
    SDL_AudioDeviceID device_ = 0;
    bool started_ = false;
    bool eightBit_ = true;
    std::uint64_t streamId_ = 1;
    std::uint64_t queuedTotal_ = 0;
    std::uint32_t volume_ = kFullVolume;
    std::string lastError_;
};

} // namespace kestrum

#pragma once

#include "recording/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kestrum {

class Resampler;

// The CD audio format: 16-bit signed little-endian PCM, stereo, 44100 frames per second.
inline constexpr WaveFormat kCdAudioFormat{kTagPcm, 2, 44100, 176400, 4, 16, 0};

// Converts the player's unsigned 8-bit PCM (the playback format: mono or stereo, any rate) to CD
// audio, a block at a time, through libswresample, the same bytes however the source is cut into
// blocks. Mono goes to both channels at full level (swresample's upmix raised by the 3 dB it takes
// off). The resampler's filter holds back its last 16 source
// samples' worth until `flush`; with it, the output is the source's length at 44100 Hz, rounded up
// to a whole frame (for anything of 31 source frames or more; less is shorter, as for ffmpeg).
class CdAudioConverter {
  public:
    ~CdAudioConverter();
    CdAudioConverter(const CdAudioConverter&) = delete;
    CdAudioConverter& operator=(const CdAudioConverter&) = delete;

    // Null with a negative libav error code in `error` when the conversion cannot be set up.
    static std::unique_ptr<CdAudioConverter> open(const WaveFormat& source, int& error);

    // Converts `samples` (whole sample frames of the source format), appending CD audio bytes to
    // `out`. Returns the source bytes used, or a negative libav error code.
    long convert(std::span<const std::uint8_t> samples, std::vector<std::uint8_t>& out);
    // Appends what the resampler still holds; call once after the last block. 0 or an error code.
    int flush(std::vector<std::uint8_t>& out);

  private:
    CdAudioConverter();
    std::unique_ptr<Resampler> resampler_;
    std::size_t sourceFrameBytes_ = 1; // one byte a channel
};

} // namespace kestrum

#pragma once

#include "recording/WaveFormat.h"

#include <cstdint>
#include <span>
#include <vector>

namespace kestrum {

// The store's PCM (8-bit unsigned or 16-bit signed, any channels, any rate) as signed 16-bit mono
// samples at `rate`, for the analyses that work on one signal at a fixed rate: channels are mixed
// and the rate converted through libswresample where they differ, 8-bit values shifted up. Empty
// when the format is not one the store holds or the conversion fails.
std::vector<std::int16_t> monoSamplesAt(std::span<const std::uint8_t> pcm, const WaveFormat& format,
                                        std::uint32_t rate);

// The same samples, read where they are when the store holds 8-bit mono at `rate` (the usual
// call: an hour of it would be 57 MB more as a copy), else from one converted copy.
class MonoSignal {
  public:
    MonoSignal(std::span<const std::uint8_t> pcm, const WaveFormat& format, std::uint32_t rate);

    std::size_t size() const { return inPlace_ ? bytes_.size() : converted_.size(); }
    std::int16_t operator[](std::size_t i) const {
        return inPlace_ ? static_cast<std::int16_t>((bytes_[i] - 128) * 256) : converted_[i];
    }

  private:
    bool inPlace_ = false;
    std::span<const std::uint8_t> bytes_;
    std::vector<std::int16_t> converted_;
};

} // namespace kestrum

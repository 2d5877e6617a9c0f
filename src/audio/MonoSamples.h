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

} // namespace kestrum

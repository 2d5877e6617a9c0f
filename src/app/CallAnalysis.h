#pragma once

#include "audio/SilenceMap.h" // FrameSpan
#include "audio/SpectrogramSummary.h"
#include "recording/WaveFormat.h"

#include <cstdint>
#include <span>
#include <vector>

namespace kestrum {

// What the player works out from the whole call once its sound is loaded, as the peak summaries:
// where telephone keys were pressed (the places only: which keys is never kept, shown or logged)
// and the spectrogram summary.
struct CallAnalysis {
    std::vector<FrameSpan> keyPresses;
    SpectrogramSummary spectrogram;
};

// Reads the samples, which must not change meanwhile (the store once loaded): some half a second
// an hour, so the player runs it on a thread of its own.
CallAnalysis analyseCall(std::span<const std::uint8_t> samples, const WaveFormat& format);

} // namespace kestrum

#pragma once

#include "recording/WaveFormat.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kestrum {

// The call's spectrogram, computed once after loading (as the peak summaries are), so that a view
// of any length is drawn from a few thousand values. Each column is the spectrum of about 32 ms of
// the call (a Hann window, a column every half window), from 0 Hz to half the rate in kRows rows,
// each row's level in dB of full scale from kFloorDecibels up as 0 to 255. Coarser levels keep the
// loudest of every kMerge columns below them, so a short tone still shows in a view of the hour.
// At 8000 Hz it takes about half the samples' own size.
class FrequencySummary {
  public:
    static constexpr std::size_t kRows = 64;
    static constexpr std::size_t kMerge = 8;
    static constexpr double kFloorDecibels = -90.0;
    using Column = std::array<std::uint8_t, kRows>;

    // From the store's PCM in the playback format (any channels: mixed).
    void build(std::span<const std::uint8_t> pcm, const WaveFormat& format);

    bool empty() const { return levels_.empty(); }
    // Frames of the call from one column's start to the next's.
    std::uint64_t framesPerColumn() const { return hop_; }
    std::size_t columnCount() const { return levels_.empty() ? 0 : levels_.front().size() / kRows; }
    // The highest frequency shown (the top of the last row): half the rate.
    double topFrequency() const { return topFrequency_; }
    std::size_t bytesUsed() const;

    // The loudest level of each row over columns [first, last) of the finest level, read from the
    // coarsest level whose columns fit in the range (so it may reach a little beyond it).
    Column loudest(std::size_t first, std::size_t last) const;

  private:
    std::vector<std::vector<std::uint8_t>> levels_; // columns of kRows levels, one after another
    std::uint64_t hop_ = 0;
    double topFrequency_ = 0;
};

} // namespace kestrum

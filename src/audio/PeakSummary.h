#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kestrum {

// The lowest and highest sample of a stretch of audio.
struct SampleRange {
    std::uint8_t low = 255;
    std::uint8_t high = 0;

    void include(const SampleRange& other) {
        low = other.low < low ? other.low : low;
        high = other.high > high ? other.high : high;
    }
    bool empty() const { return low > high; }
};

// Min/max summaries of the sample store in blocks of 64, 1024 and 16384 samples, grown with the
// store as the call loads, so that a view of any length is drawn from a few thousand values rather
// than from every sample. They take about 3% of the samples' own size.
class PeakSummary {
  public:
    static constexpr std::array<std::size_t, 3> kBlockSizes = {64, 1024, 16384};

    // Summarises `samples` from scratch.
    void build(std::span<const std::uint8_t> samples);
    // Summarises what `samples` holds past the part already summarised: `samples` is the store
    // as it stands, the same entries as at the last call and perhaps more.
    void extend(std::span<const std::uint8_t> samples);
    // The samples summarised so far.
    std::size_t sampleCount() const { return sampleCount_; }

    std::size_t levelCount() const { return levels_.size(); }
    std::size_t blockSize(std::size_t level) const { return kBlockSizes[level]; }
    std::span<const SampleRange> level(std::size_t level) const { return levels_[level]; }
    std::size_t bytesUsed() const;

    // The range of samples [first, last), read from the coarsest level whose blocks fit in it; a
    // range that is not whole blocks reads the blocks that hold its ends, so it may reach a little
    // beyond them. Samples themselves are read only where no level helps.
    SampleRange range(std::span<const std::uint8_t> samples, std::size_t first, std::size_t last) const;

  private:
    std::vector<std::vector<SampleRange>> levels_;
    std::size_t sampleCount_ = 0;
};

} // namespace kestrum

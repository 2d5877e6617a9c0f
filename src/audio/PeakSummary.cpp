#include "audio/PeakSummary.h"

#include <algorithm>

namespace kestrum {

void PeakSummary::build(std::span<const std::uint8_t> samples) {
    levels_.clear();
    // The finest level from the samples, each coarser one from the level below it.
    std::vector<SampleRange> finest((samples.size() + kBlockSizes[0] - 1) / kBlockSizes[0]);
    for (std::size_t block = 0; block < finest.size(); ++block) {
        const std::size_t begin = block * kBlockSizes[0];
        const std::size_t end = std::min(samples.size(), begin + kBlockSizes[0]);
        std::uint8_t low = 255;
        std::uint8_t high = 0;
        for (std::size_t i = begin; i < end; ++i) {
            low = std::min(low, samples[i]);
            high = std::max(high, samples[i]);
        }
        finest[block] = {low, high};
    }
    levels_.push_back(std::move(finest));
    for (std::size_t level = 1; level < kBlockSizes.size(); ++level) {
        const std::vector<SampleRange>& below = levels_.back();
        const std::size_t ratio = kBlockSizes[level] / kBlockSizes[level - 1];
        std::vector<SampleRange> coarser((below.size() + ratio - 1) / ratio);
        for (std::size_t i = 0; i < below.size(); ++i)
            coarser[i / ratio].include(below[i]);
        levels_.push_back(std::move(coarser));
    }
}

std::size_t PeakSummary::bytesUsed() const {
    std::size_t bytes = 0;
    for (const std::vector<SampleRange>& level : levels_)
        bytes += level.size() * sizeof(SampleRange);
    return bytes;
}

SampleRange PeakSummary::range(std::span<const std::uint8_t> samples, std::size_t first,
                               std::size_t last) const {
    last = std::min(last, samples.size());
    SampleRange result;
    if (first >= last)
        return result;
    const std::size_t span = last - first;
    for (std::size_t level = levels_.size(); level-- > 0;) {
        const std::size_t block = kBlockSizes[level];
        if (block > span)
            continue;
        const std::span<const SampleRange> blocks = levels_[level];
        const std::size_t end = std::min(blocks.size(), (last + block - 1) / block);
        for (std::size_t i = first / block; i < end; ++i)
            result.include(blocks[i]);
        return result;
    }
    for (std::size_t i = first; i < last; ++i)
        result.include({samples[i], samples[i]});
    return result;
}

} // namespace kestrum

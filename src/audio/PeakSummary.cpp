#include "audio/PeakSummary.h"

#include <algorithm>

namespace kestrum {

void PeakSummary::build(std::span<const std::uint8_t> samples) {
    levels_.clear();
    sampleCount_ = 0;
    extend(samples);
}

void PeakSummary::extend(std::span<const std::uint8_t> samples) {
    if (levels_.empty())
        levels_.resize(kBlockSizes.size());
    if (samples.size() <= sampleCount_)
        return;
    // The finest level from the samples, each coarser one from the level below it; a block that
    // was part-filled at the last call is summarised again, whole or as far as it goes now.
    std::vector<SampleRange>& finest = levels_[0];
    std::size_t changed = sampleCount_ / kBlockSizes[0];
    finest.resize((samples.size() + kBlockSizes[0] - 1) / kBlockSizes[0]);
    for (std::size_t block = changed; block < finest.size(); ++block) {
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
    for (std::size_t level = 1; level < kBlockSizes.size(); ++level) {
        const std::vector<SampleRange>& below = levels_[level - 1];
        std::vector<SampleRange>& coarser = levels_[level];
        const std::size_t ratio = kBlockSizes[level] / kBlockSizes[level - 1];
        changed /= ratio;
        coarser.resize((below.size() + ratio - 1) / ratio);
        for (std::size_t i = changed; i < coarser.size(); ++i)
            coarser[i] = SampleRange{};
        for (std::size_t i = changed * ratio; i < below.size(); ++i)
            coarser[i / ratio].include(below[i]);
    }
    sampleCount_ = samples.size();
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

// Peak summaries: what they hold, their size, and ranges against a look at every sample.

#include "audio/PeakSummary.h"

#include <gtest/gtest.h>

#include <random>

namespace kestrum {
namespace {

TEST(PeakSummary, RangesEqualTheSamplesOwnOverWholeBlocks) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> samples(200000);
    for (std::uint8_t& sample : samples)
        sample = static_cast<std::uint8_t>(random() % 200 + 20);
    PeakSummary peaks;
    peaks.build(samples);
    ASSERT_EQ(peaks.levelCount(), 3u);
    EXPECT_EQ(peaks.level(0).size(), (200000u + 63) / 64);

    const auto brute = [&](std::size_t first, std::size_t last) {
        SampleRange range;
        for (std::size_t i = first; i < last; ++i)
            range.include({samples[i], samples[i]});
        return range;
    };
    // Whole blocks of each level read exactly; small ranges read the samples.
    for (const auto& [first, last] : std::vector<std::pair<std::size_t, std::size_t>>{
             {0, 64}, {64, 1088}, {16384, 49152}, {0, 200000}, {5, 9}, {199990, 200000}}) {
        const SampleRange got = peaks.range(samples, first, last);
        const SampleRange want = brute(first, last);
        EXPECT_EQ(got.low, want.low) << first << ".." << last;
        EXPECT_EQ(got.high, want.high) << first << ".." << last;
    }
    // A range that is not whole blocks reads the blocks holding its ends: never narrower.
    const SampleRange partial = peaks.range(samples, 100, 5000);
    const SampleRange exact = brute(100, 5000);
    EXPECT_LE(partial.low, exact.low);
    EXPECT_GE(partial.high, exact.high);
    EXPECT_TRUE(peaks.range(samples, 10, 10).empty());
    EXPECT_TRUE(peaks.range(samples, 300000, 300100).empty());
}

TEST(PeakSummary, TakesUnderFivePercentOfTheSamples) {
    std::vector<std::uint8_t> samples(8000 * 600, 128); // ten minutes
    samples[123456] = 3;
    PeakSummary peaks;
    peaks.build(samples);
    EXPECT_LT(peaks.bytesUsed(), samples.size() / 20);
    EXPECT_EQ(peaks.range(samples, 0, samples.size()).low, 3);
    EXPECT_EQ(peaks.level(2)[123456 / 16384].low, 3);
}

} // namespace
} // namespace kestrum

#include "audio/FrequencySummary.h"

#include "audio/FfmpegHandles.h"
#include "audio/FrameClock.h"
#include "audio/MonoSamples.h"

extern "C" {
#include <libavutil/tx.h>
}

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kestrum {

namespace {

// About 32 ms of the call, a power of two.
std::size_t windowFor(std::uint32_t rate) {
    std::size_t size = 64;
    while (size < 4096 && static_cast<double>(size) * 1.5 < rate * 0.032)
        size *= 2;
    return size;
}

// The finest level: one column of row levels a hop, from a real FFT of each Hann-windowed stretch.
std::vector<std::uint8_t> spectrumColumns(const MonoSignal& samples, std::size_t size) {
    AVTXContext* made = nullptr;
    av_tx_fn transform = nullptr;
    const float scale = 1.0f;
    if (av_tx_init(&made, &transform, AV_TX_FLOAT_RDFT, 0, static_cast<int>(size), &scale, AV_TX_UNALIGNED) <
        0)
        return {};
    const TransformOwner context(made);
    std::vector<float> window(size), input(size);
    std::vector<AVComplexFloat> output(size / 2 + 1);
    double windowSum = 0;
    for (std::size_t i = 0; i < size; ++i) {
        window[i] = static_cast<float>(
            0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(size)));
        windowSum += window[i];
    }
    // A full-scale sine gives an amplitude of windowSum / 2 in its bin: that is 0 dB.
    const double fullScale = windowSum / 2 * 32768.0;
    const std::size_t hop = size / 2;
    const std::size_t bins = size / 2;
    const std::size_t columns = samples.size() / hop;
    std::vector<std::uint8_t> levels(columns * FrequencySummary::kRows);
    for (std::size_t column = 0; column < columns; ++column) {
        for (std::size_t i = 0; i < size; ++i) {
            const std::size_t at = column * hop + i;
            input[i] = at < samples.size() ? window[i] * static_cast<float>(samples[at]) : 0.0f;
        }
        transform(context.get(), output.data(), input.data(), sizeof(float));
        for (std::size_t row = 0; row < FrequencySummary::kRows; ++row) {
            const std::size_t first = row * bins / FrequencySummary::kRows;
            const std::size_t last = std::max(first + 1, (row + 1) * bins / FrequencySummary::kRows);
            float power = 0;
            for (std::size_t bin = first; bin < last; ++bin)
                power = std::max(power, output[bin].re * output[bin].re + output[bin].im * output[bin].im);
            const double decibels =
                10 * std::log10(std::max(static_cast<double>(power), 1e-12) / (fullScale * fullScale));
            const double level =
                (decibels - FrequencySummary::kFloorDecibels) / -FrequencySummary::kFloorDecibels * 255;
            levels[column * FrequencySummary::kRows + row] =
                static_cast<std::uint8_t>(std::clamp(level, 0.0, 255.0));
        }
    }
    return levels;
}

} // namespace

void FrequencySummary::build(std::span<const std::uint8_t> pcm, const WaveFormat& format) {
    levels_.clear();
    const FrameClock clock(format);
    const MonoSignal samples(pcm, format, clock.framesPerSecond());
    const std::size_t size = windowFor(clock.framesPerSecond());
    hop_ = size / 2;
    topFrequency_ = clock.framesPerSecond() / 2.0;
    std::vector<std::uint8_t> finest = spectrumColumns(samples, size);
    if (finest.empty())
        return;
    levels_.push_back(std::move(finest));
    while (levels_.back().size() / kRows > 1) {
        const std::vector<std::uint8_t>& below = levels_.back();
        const std::size_t columns = below.size() / kRows;
        std::vector<std::uint8_t> coarser((columns + kMerge - 1) / kMerge * kRows, 0);
        for (std::size_t column = 0; column < columns; ++column)
            for (std::size_t row = 0; row < kRows; ++row) {
                std::uint8_t& loudest = coarser[column / kMerge * kRows + row];
                loudest = std::max(loudest, below[column * kRows + row]);
            }
        levels_.push_back(std::move(coarser));
    }
}

std::size_t FrequencySummary::bytesUsed() const {
    std::size_t bytes = 0;
    for (const std::vector<std::uint8_t>& level : levels_)
        bytes += level.size();
    return bytes;
}

FrequencySummary::Column FrequencySummary::loudest(std::size_t first, std::size_t last) const {
    Column result{};
    last = std::min(last, columnCount());
    if (first >= last)
        return result;
    std::size_t level = 0;
    std::size_t span = 1;
    while (level + 1 < levels_.size() && span * kMerge <= last - first) {
        ++level;
        span *= kMerge;
    }
    const std::vector<std::uint8_t>& columns = levels_[level];
    const std::size_t end = std::min(columns.size() / kRows, (last + span - 1) / span);
    for (std::size_t column = first / span; column < end; ++column)
        for (std::size_t row = 0; row < kRows; ++row)
            result[row] = std::max(result[row], columns[column * kRows + row]);
    return result;
}

} // namespace kestrum

#include "ui/CallSources.h"

#include "app/PlayerState.h"

#include <algorithm>

namespace kestrum {

// One point a byte of the store, so seconds are the frames' seconds whatever a frame holds.
double SampleStoreSeries::pointsPerSecond() const {
    const FrameClock& clock = session_.clock();
    return static_cast<double>(clock.framesPerSecond()) * clock.frameBytes();
}

// While the call loads, what the peak summaries have taken in so far: the chart and its
// summaries grow together.
std::size_t SampleStoreSeries::pointCount() const {
    return state_.peaks.sampleCount();
}

std::uint8_t SampleStoreSeries::point(std::size_t index) const {
    return state_.store.sample(index);
}

StripChartSeries::Range SampleStoreSeries::range(std::size_t first, std::size_t last) const {
    const PlayerState& state = state_;
    const SampleRange found = state.peaks.range(state.store.samples().first(pointCount()), first, last);
    return {found.low, found.high};
}

double FrequencySummarySource::columnsPerSecond() const {
    const std::uint64_t frames = state_.spectrogram.framesPerColumn();
    return frames > 0 ? static_cast<double>(session_.clock().framesPerSecond()) / static_cast<double>(frames)
                      : 0;
}

std::size_t FrequencySummarySource::columnCount() const {
    return state_.spectrogram.columnCount();
}

std::size_t FrequencySummarySource::rowCount() const {
    return FrequencySummary::kRows;
}

double FrequencySummarySource::topFrequency() const {
    return state_.spectrogram.topFrequency();
}

void FrequencySummarySource::loudest(std::size_t first, std::size_t last, std::uint8_t* rows) const {
    const FrequencySummary::Column column = state_.spectrogram.loudest(first, last);
    std::copy(column.begin(), column.end(), rows);
}

} // namespace kestrum

#pragma once

#include "widgets/FrequencyView.h"
#include "widgets/StripChart.h"

namespace kestrum {

class PlaybackSession;
struct PlayerState;

// The call as the charts read it, from the run's state: its samples through the peak summaries,
// and its spectrogram summary. The presenters hand them to the views that draw them.

// The sample store as the strip chart draws it, through the peak summaries.
class SampleStoreSeries : public StripChartSeries {
  public:
    SampleStoreSeries(const PlayerState& state, const PlaybackSession& session)
        : state_(state), session_(session) {}
    double pointsPerSecond() const override;
    std::size_t pointCount() const override;
    std::uint8_t point(std::size_t index) const override;
    Range range(std::size_t first, std::size_t last) const override;

  private:
    const PlayerState& state_;
    const PlaybackSession& session_;
};

// The spectrogram summary of the call as the spectrogram view draws it.
class FrequencySummarySource : public FrequencySource {
  public:
    FrequencySummarySource(const PlayerState& state, const PlaybackSession& session)
        : state_(state), session_(session) {}
    double columnsPerSecond() const override;
    std::size_t columnCount() const override;
    std::size_t rowCount() const override;
    double topFrequency() const override;
    void loudest(std::size_t first, std::size_t last, std::uint8_t* rows) const override;

  private:
    const PlayerState& state_;
    const PlaybackSession& session_;
};

} // namespace kestrum

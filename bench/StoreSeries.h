#pragma once

#include "audio/PeakSummary.h"
#include "audio/SampleStore.h"
#include "widgets/StripChart.h"

namespace bench {

// The waveform's series as the player's SampleStoreSeries gives it to the chart (the samples of
// the store, their ranges from the peak summaries), without the player around it.
class StoreSeries : public kestrum::StripChartSeries {
  public:
    StoreSeries(const kestrum::SampleStore& store, const kestrum::PeakSummary& peaks, double perSecond)
        : store_(store), peaks_(peaks), perSecond_(perSecond) {}

    double pointsPerSecond() const override { return perSecond_; }
    std::size_t pointCount() const override { return store_.indexCount(); }
    std::uint8_t point(std::size_t index) const override { return store_.sample(index); }
    Range range(std::size_t first, std::size_t last) const override {
        const kestrum::SampleRange found = peaks_.range(store_.samples(), first, last);
        return {found.low, found.high};
    }

  private:
    const kestrum::SampleStore& store_;
    const kestrum::PeakSummary& peaks_;
    double perSecond_;
};

} // namespace bench

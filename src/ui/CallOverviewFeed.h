#pragma once

#include "audio/PlaybackSession.h"
#include "ui/CallSources.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace kestrum {

struct PlayerState;

// Where a loop's marks stand, as far as they are set: the begin once marked (Mark Loop End can be
// used, or loop play started), the end once marked too (Play Loop can be used).
struct LoopMarks {
    std::optional<std::uint64_t> begin;
    std::optional<std::uint64_t> end;
};
LoopMarks loopMarksOf(const PlaybackSnapshot& shown);

// What the player window's call overview shows at one display tick, in seconds.
struct CallOverviewContent {
    double lengthSeconds = 0;
    bool seriesGrown = false; // more peaks than at the last tick: the trace is drawn again
    std::vector<StripChart::Span> silences;
    std::vector<StripChart::Span> keyPresses;
    std::vector<double> keywords; // each place once, in order
    std::optional<double> loopBegin;
    std::optional<double> loopEnd;
    double positionSeconds = 0;
};

// What the player window's call overview shows, from the run's state and each snapshot of the
// playback: the call's peaks as they load, its silent stretches, the keywords' places, the loop's
// marks and the play position.
class CallOverviewFeed {
  public:
    CallOverviewFeed(const PlayerState& state, const PlaybackSession& session);

    // The peak summaries, as the overview draws them.
    const StripChartSeries& series() const { return series_; }
    // The display tick: what the overview is to show now.
    CallOverviewContent contentFor(const PlaybackSnapshot& shown);

  private:
    std::vector<double> keywordPlaces() const;

    const PlayerState& state_;
    const PlaybackSession& session_;
    SampleStoreSeries series_; // the peak summaries, as the waveform reads them
    std::size_t summarised_ = 0;
};

} // namespace kestrum

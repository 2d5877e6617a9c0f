#pragma once

#include "audio/PlaybackSession.h"
#include "ui/WaveformWindow.h"

#include <cstddef>
#include <optional>

namespace kestrum {

class CallOverview;
struct PlayerState;

// Where a loop's marks stand, as far as they are set: the begin once marked (Mark Loop End can be
// used, or loop play started), the end once marked too (Play Loop can be used).
struct LoopMarks {
    std::optional<std::uint64_t> begin;
    std::optional<std::uint64_t> end;
};
LoopMarks loopMarksOf(const PlaybackSnapshot& shown);

// What the player window's call overview shows, from the run's state and each snapshot of the
// playback: the call's peaks as they load, its silent stretches, the keywords' places, the loop's
// marks and the play position.
class CallOverviewFeed {
  public:
    CallOverviewFeed(CallOverview& overview, const PlayerState& state, const PlaybackSession& session);

    // The display tick: brings the overview up to date; cheap when nothing has changed.
    void show(const PlaybackSnapshot& shown);

  private:
    void showKeywords();

    CallOverview& overview_;
    const PlayerState& state_;
    const PlaybackSession& session_;
    SampleStoreSeries series_; // the peak summaries, as the waveform reads them
    std::size_t summarised_ = 0;
};

} // namespace kestrum

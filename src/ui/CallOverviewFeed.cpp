#include "ui/CallOverviewFeed.h"

#include "app/PlaybackTexts.h"
#include "app/PlayerState.h"
#include "widgets/CallOverview.h"

#include <algorithm>
#include <vector>

namespace kestrum {

LoopMarks loopMarksOf(const PlaybackSnapshot& shown) {
    LoopMarks marks;
    const bool endMarked = shown.loopPlaying() || shown.controls[TransportControl::PlayLoop];
    if (endMarked || shown.controls[TransportControl::MarkLoopEnd])
        marks.begin = shown.loopBegin;
    if (endMarked)
        marks.end = shown.loopEnd;
    return marks;
}

CallOverviewFeed::CallOverviewFeed(CallOverview& overview, const PlayerState& state,
                                   const PlaybackSession& session)
    : overview_(overview), state_(state), session_(session), series_(state, session) {
    overview_.timeText = [](double seconds) {
        return QString::fromStdString(callTimeText(static_cast<int>(seconds)));
    };
    overview_.setSeries(&series_);
}

void CallOverviewFeed::show(const PlaybackSnapshot& shown) {
    const FrameClock& clock = session_.clock();
    overview_.setLength(clock.secondsOf(shown.length));
    // While the call loads, the peaks grow at each tick: the trace is drawn again as far as they go.
    if (state_.peaks.sampleCount() != summarised_) {
        summarised_ = state_.peaks.sampleCount();
        overview_.seriesGrown();
    }
    std::vector<StripChart::Span> silences;
    for (const FrameSpan& silence : state_.silences.silences())
        silences.push_back({clock.secondsOf(silence.begin), clock.secondsOf(silence.end)});
    overview_.setShadedSpans(std::move(silences));
    std::vector<StripChart::Span> presses;
    for (const FrameSpan& press : state_.keyPresses)
        presses.push_back({clock.secondsOf(press.begin), clock.secondsOf(press.end)});
    overview_.setKeyPresses(std::move(presses));
    showKeywords();
    const LoopMarks loop = loopMarksOf(shown);
    const auto seconds = [&clock](std::optional<std::uint64_t> frame) -> std::optional<double> {
        return frame ? std::optional<double>(clock.secondsOf(*frame)) : std::nullopt;
    };
    overview_.setLoopMarks(seconds(loop.begin), seconds(loop.end));
    overview_.setPosition(clock.secondsOf(shown.position));
}

// The keyword table keeps byte offsets into the audio; a keyword added or read again shows at the
// next tick.
void CallOverviewFeed::showKeywords() {
    const RecordingState& recording = state_.recording;
    const FrameClock& clock = session_.clock();
    std::vector<double> places;
    for (int i = 0; i < recording.scannedWordTotal; ++i) {
        for (const std::uint32_t position : recording.scannedWords[static_cast<std::size_t>(i)].positions) {
            if (position == 0) // the end of the entry's positions
                break;
            places.push_back(clock.secondsOf(clock.framesIn(position)));
        }
    }
    std::sort(places.begin(), places.end());
    places.erase(std::unique(places.begin(), places.end()), places.end());
    overview_.setMarks(std::move(places));
}

} // namespace kestrum

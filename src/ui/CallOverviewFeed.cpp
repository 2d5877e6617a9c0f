#include "ui/CallOverviewFeed.h"

#include "app/PlayerState.h"

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

CallOverviewFeed::CallOverviewFeed(const PlayerState& state, const PlaybackSession& session)
    : state_(state), session_(session), series_(state, session) {}

CallOverviewContent CallOverviewFeed::contentFor(const PlaybackSnapshot& shown) {
    const FrameClock& clock = session_.clock();
    CallOverviewContent content;
    content.lengthSeconds = clock.secondsOf(shown.length);
    // While the call loads, the peaks grow at each tick: the trace is drawn again as far as they go.
    if (state_.peaks.sampleCount() != summarised_) {
        summarised_ = state_.peaks.sampleCount();
        content.seriesGrown = true;
    }
    for (const FrameSpan& silence : state_.silences.silences())
        content.silences.push_back({clock.secondsOf(silence.begin), clock.secondsOf(silence.end)});
    for (const FrameSpan& press : state_.keyPresses)
        content.keyPresses.push_back({clock.secondsOf(press.begin), clock.secondsOf(press.end)});
    content.keywords = keywordPlaces();
    const LoopMarks loop = loopMarksOf(shown);
    const auto seconds = [&clock](std::optional<std::uint64_t> frame) -> std::optional<double> {
        return frame ? std::optional<double>(clock.secondsOf(*frame)) : std::nullopt;
    };
    content.loopBegin = seconds(loop.begin);
    content.loopEnd = seconds(loop.end);
    content.positionSeconds = clock.secondsOf(shown.position);
    return content;
}

// The keyword table keeps byte offsets into the audio; a keyword added or read again shows at the
// next tick.
std::vector<double> CallOverviewFeed::keywordPlaces() const {
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
    return places;
}

} // namespace kestrum

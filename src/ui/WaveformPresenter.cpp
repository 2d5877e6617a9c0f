#include "ui/WaveformPresenter.h"

#include "app/PlayerActions.h"
#include "app/PlayerState.h"
#include "ui/WaveformWindow.h"

#include <algorithm>
#include <vector>

namespace kestrum {

namespace {

std::vector<StripChart::Span> secondsOf(const FrameClock& clock, const std::vector<FrameSpan>& spans) {
    std::vector<StripChart::Span> seconds;
    for (const FrameSpan& span : spans)
        seconds.push_back({clock.secondsOf(span.begin), clock.secondsOf(span.end)});
    return seconds;
}

} // namespace

WaveformPresenter::WaveformPresenter(WaveformWindow& window, PlayerActions& player)
    : window_(window), player_(player), session_(player.session()), series_(player.state(), player.session()),
      spectrogram_(player.state(), player.session()) {
    window_.setSeries(&series_, player.state().recording.playbackFormat.samplesPerSec);
    connectWindow();
}

void WaveformPresenter::connectWindow() {
    WaveformWindow* window = &window_;
    connect(window, &WaveformWindow::soundHeld, this, [this](bool held) { session_.setHeld(held); });
    connect(window, &WaveformWindow::browsingStarted, this, [this](bool entering) {
        const PlaybackSnapshot shown = session_.snapshot();
        if (shown.loopPlaying())
            session_.togglePlayLoop();
        else if (shown.playing())
            session_.stop();
        if (entering)
            session_.setBrowsing(true);
    });
    connect(window, &WaveformWindow::runResumedAt, this, [this](double seconds) {
        session_.setBrowsing(false);
        session_.moveTo(frameAt(seconds));
    });
    connect(window, &WaveformWindow::centreWanted, this,
            [this](double seconds) { window_.follow(frameAt(seconds), false); });
    connect(window, &WaveformWindow::spectrogramWanted, this, [this] { player_.wantSpectrogram(); });
}

std::uint64_t WaveformPresenter::frameAt(double seconds) const {
    return std::min(session_.clock().framesAt(seconds), session_.snapshot().length);
}

void WaveformPresenter::show(const PlaybackSnapshot& shown) {
    const PlayerState& state = player_.state();
    window_.shadeSilences(shown.aids.skipSilence ? secondsOf(session_.clock(), state.silences.silences())
                                                 : std::vector<StripChart::Span>());
    window_.setAnnotationAllowed(!shown.loopPlaying() && !state.options.viewerMode &&
                                 state.options.keywordMode == KeywordMode::Enabled);
    if (followedPosition_ != shown.position) {
        window_.follow(shown.position, shown.position == shown.length && !shown.playing());
        followedPosition_ = shown.position;
    }
}

void WaveformPresenter::showPlayPosition() {
    window_.follow(0, false);
    followedPosition_ = 0;
}

void WaveformPresenter::showCallAnalysis() {
    window_.showCallAnalysis(secondsOf(session_.clock(), player_.state().keyPresses), &spectrogram_);
}

} // namespace kestrum

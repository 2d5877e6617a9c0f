#include "audio/Transport.h"

#include "platform/FormatText.h"

#include <algorithm>
#include <array>

namespace kestrum {

std::uint32_t Transport::stepEntries(int stepSizePosition) const {
    return static_cast<std::uint32_t>(stepSeconds(stepSizePosition)) * engine_.playbackFormat().samplesPerSec;
}

// The buttons of playing from a position: pause, step and mark a loop begin; no loop yet.
void Transport::enableForPlay() {
    view_.setControlEnabled(TransportControl::StopBtn, true);
    view_.setControlEnabled(TransportControl::BackBtn, true);
    view_.setControlEnabled(TransportControl::StepBtn, true);
    view_.setControlEnabled(TransportControl::MarkLoopBeginBtn, true);
    view_.setControlEnabled(TransportControl::MarkLoopEndBtn, false);
    view_.setControlEnabled(TransportControl::PlayLoopBtn, false);
}

void Transport::play() {
    PlaybackState& state = engine_.state();
    enableForPlay();
    state.loopBegin = 0;
    state.loopEnd = 0;
    if (state.playPosition >= engine_.audioLength())
        restart();
    playSpeedChanged(view_.playSpeedPosition());
    view_.setTimerEnabled(true);
}

void Transport::restart() {
    const bool wasRunning = view_.timerEnabled();
    view_.setTimerEnabled(false);
    device_.waveOut().reset();
    engine_.state().playPosition = 0;
    view_.setProgressPosition(0);
    view_.setPercentText(percentText(view_.progressPosition()));
    engine_.showPlayPosition(0);
    view_.setPlayTimeText(playTimeText(0));
    if (wasRunning)
        view_.setTimerEnabled(true);
}

void Transport::stop() {
    view_.setControlEnabled(TransportControl::StopBtn, false);
    view_.setControlEnabled(TransportControl::BackBtn, false);
    view_.setControlEnabled(TransportControl::StepBtn, false);
    view_.setTimerEnabled(false);
    device_.waveOut().reset();
    view_.setControlEnabled(TransportControl::MarkLoopBeginBtn, false);
    view_.setControlEnabled(TransportControl::MarkLoopEndBtn, false);
    view_.setControlEnabled(TransportControl::PlayLoopBtn, false);
    engine_.state().loopBegin = 0;
    engine_.state().loopEnd = 0;
}

void Transport::back(int stepSizePosition) {
    view_.setTimerEnabled(false);
    std::uint32_t& position = engine_.state().playPosition;
    const std::uint32_t stepSize = stepEntries(stepSizePosition);
    position = position < stepSize ? 0 : position - stepSize;
    view_.setTimerEnabled(true);
}

void Transport::step(int stepSizePosition) {
    view_.setTimerEnabled(false);
    std::uint32_t& position = engine_.state().playPosition;
    const std::uint64_t next = std::uint64_t{position} + stepEntries(stepSizePosition);
    const std::uint32_t length = engine_.audioLength();
    if (next >= length) {
        // One second before the end, or the start of a recording shorter than a second.
        const std::uint32_t second = engine_.playbackFormat().avgBytesPerSec;
        position = length > second ? length - second : 0;
    } else {
        position = static_cast<std::uint32_t>(next);
    }
    view_.setTimerEnabled(true);
}

void Transport::markLoopBegin() {
    engine_.state().loopBegin = engine_.state().playPosition;
    view_.setControlEnabled(TransportControl::MarkLoopEndBtn, true);
}

void Transport::markLoopEnd() {
    engine_.state().loopEnd = engine_.state().playPosition;
    view_.setControlEnabled(TransportControl::PlayLoopBtn, true);
}

void Transport::togglePlayLoop() {
    PlaybackState& state = engine_.state();
    if (!state.loopPlaying) {
        state.onePercent = engine_.audioLength() / 100;
        if (state.loopEnd < state.loopBegin) {
            messenger_.showInformation("Begin mark is after end mark");
            return;
        }
        view_.setTimerEnabled(false);
        for (const TransportControl control :
             {TransportControl::PlayBtn, TransportControl::RestartBtn, TransportControl::StopBtn,
              TransportControl::BackBtn, TransportControl::StepBtn, TransportControl::MarkLoopBeginBtn,
              TransportControl::MarkLoopEndBtn})
            view_.setControlEnabled(control, false);
        view_.showLoopPlaying(true);
        device_.waveOut().reset();
        state.playPosition = state.loopBegin;
        state.loopPlaying = true;
        view_.setTimerEnabled(true);
        return;
    }
    view_.setTimerEnabled(false);
    view_.setControlEnabled(TransportControl::PlayBtn, true);
    view_.setControlEnabled(TransportControl::RestartBtn, true);
    for (const TransportControl control :
         {TransportControl::StopBtn, TransportControl::BackBtn, TransportControl::StepBtn,
          TransportControl::MarkLoopBeginBtn, TransportControl::MarkLoopEndBtn})
        view_.setControlEnabled(control, false);
    view_.setControlEnabled(TransportControl::PlayLoopBtn, true);
    device_.waveOut().reset();
    state.loopPlaying = false;
    view_.showLoopPlaying(false);
    view_.setProgressPosition(0);
}

void Transport::playFromSeconds(int seconds) {
    PlaybackState& state = engine_.state();
    enableForPlay();
    state.loopPlaying = false;
    device_.waveOut().reset();
    view_.showLoopPlaying(false);
    view_.setProgressPosition(0);
    state.loopBegin = 0;
    state.loopEnd = 0;
    const double target = seconds * state.bytesPerSecond;
    const std::uint32_t length = engine_.audioLength();
    if (target >= length) {
        // One second before the end, or the start of a recording shorter than a second.
        const std::uint32_t second = engine_.playbackFormat().samplesPerSec;
        state.playPosition = length > second ? length - second : 0;
    } else {
        state.playPosition = static_cast<std::uint32_t>(target);
    }
    view_.setTimerEnabled(true);
}

void Transport::volumeBarChanged(int barPosition) {
    view_.setVolumePercentText(percentText(volumePercentForBar(barPosition)));
    device_.waveOut().setVolume(deviceVolumeForBar(barPosition));
}

void Transport::stepSizeChanged(int position) {
    const int seconds = stepSeconds(position);
    view_.setStepHints(formatText("Steps Back %d Seconds", seconds),
                       formatText("Steps Forward %d Seconds", seconds));
}

void Transport::playSpeedChanged(int position) {
    if (!playStarted_ || position < 0 || position >= static_cast<int>(kSpeedCodeOfPosition.size()))
        return;
    playit(kSpeedCodeOfPosition[static_cast<std::size_t>(position)]);
}

bool Transport::playit(int speedCode) {
    if (device_.reOpenSndOutDev(speedCode) == 0)
        return true;
    view_.closePlayer();
    return false;
}

} // namespace kestrum

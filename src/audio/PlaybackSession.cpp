#include "audio/PlaybackSession.h"

#include <algorithm>
#include <array>

namespace kestrum {

namespace {

constexpr std::array<int, 5> kStepSeconds = {5, 10, 20, 30, 40};

} // namespace

int stepSeconds(int position) {
    return position >= 0 && position < 5 ? kStepSeconds[static_cast<std::size_t>(position)] : 0;
}

PlaybackSession::PlaybackSession(const SampleStore& store, const WaveFormat& playbackFormat,
                                 SoundOutput& output, Messenger& messenger)
    : store_(store), playbackFormat_(playbackFormat), clock_(playbackFormat), output_(output),
      messenger_(messenger), renderer_(store, playbackFormat) {
    publish();
}

void PlaybackSession::audioLoading(std::uint64_t expectedBytes) {
    loading_ = true;
    length_ = clock_.framesIn(expectedBytes);
    publish();
}

void PlaybackSession::audioLoaded(std::uint64_t audioBytes) {
    // The store holds the whole recording after a successful load; never read past it either way.
    length_ = clock_.framesIn(std::min<std::uint64_t>(audioBytes, store_.indexCount()));
    loading_ = false;
    loopBegin_ = std::min(loopBegin_, length_);
    loopEnd_ = std::min(loopEnd_, length_);
    if (position() > length_)
        jumpTo(lastSecond());
    publish();
}

std::uint64_t PlaybackSession::position() const {
    return renderer_.heardPosition(generation_).value_or(jumpedTo_);
}

// --- the transport --------------------------------------------------------------------------

// The buttons of playing from a position: pause, step and mark a loop begin; no loop yet.
void PlaybackSession::enableForPlay() {
    controls_.set(TransportControl::StopPause, true);
    controls_.set(TransportControl::Back, true);
    controls_.set(TransportControl::Step, true);
    controls_.set(TransportControl::MarkLoopBegin, true);
    controls_.set(TransportControl::MarkLoopEnd, false);
    controls_.set(TransportControl::PlayLoop, false);
}

void PlaybackSession::clearMarks() {
    loopBegin_ = 0;
    loopEnd_ = 0;
}

bool PlaybackSession::play() {
    // Resuming a pause keeps the marks set before or during it (and the buttons that use them).
    const bool resuming = paused_ && state_ == TransportState::Stopped;
    const bool marked = controls_[TransportControl::MarkLoopEnd];
    const bool looped = controls_[TransportControl::PlayLoop];
    enableForPlay();
    if (resuming) {
        controls_.set(TransportControl::MarkLoopEnd, marked);
        controls_.set(TransportControl::PlayLoop, looped);
    } else {
        clearMarks();
    }
    paused_ = false;
    if (position() >= length_ && !loading_)
        restart();
    else if (state_ == TransportState::Stopped && aids_.rewindSeconds > 0 && !movedWhileStopped_)
        // After a pause the last words are heard again, unless the user has chosen where to go on.
        jumpTo(rewoundPosition(stepFramesOfSeconds(aids_.rewindSeconds)));
    movedWhileStopped_ = false;
    // Play starts at the selected speed: the device is reopened when it runs at another rate.
    const Speed wanted = deviceSpeed();
    if ((!output_.isOpen() || output_.speed() != wanted) && !reopenDevice(wanted))
        return false;
    state_ = TransportState::Playing;
    publish();
    return true;
}

void PlaybackSession::resetDisplay() {
    progress_ = 0;
    shownPercent_ = 0;
    shownSecond_ = 0;
}

void PlaybackSession::restart() {
    jumpTo(0);
    resetDisplay();
    movedWhileStopped_ = state_ == TransportState::Stopped;
    publish();
}

// A pause keeps the position and the marks, and leaves what moves the position usable: Back,
// Step and the marks act while paused, and Play goes on from where they left it.
void PlaybackSession::stop() {
    if (state_ == TransportState::LoopPlaying)
        stopLoopPlay();
    paused_ = state_ == TransportState::Playing || paused_;
    state_ = TransportState::Stopped;
    movedWhileStopped_ = false;
    enableForStopped();
    publish();
}

void PlaybackSession::enableForStopped() {
    const bool atEnd = position() >= length_ && !loading_;
    controls_.set(TransportControl::StopPause, false);
    controls_.set(TransportControl::Back, true);
    controls_.set(TransportControl::Step, !atEnd);
    controls_.set(TransportControl::MarkLoopBegin, !atEnd || controls_[TransportControl::MarkLoopEnd]);
}

// A move while stopped shows at once where it went, as play shows it.
void PlaybackSession::movedWhileStopped() {
    if (state_ != TransportState::Stopped)
        return;
    movedWhileStopped_ = true;
    const std::uint64_t at = position();
    shownSecond_ = clock_.wholeSecondsOf(at);
    const std::uint64_t onePercent = length_ / 100;
    showProgress(onePercent > 0 ? static_cast<int>(std::min<std::uint64_t>(at / onePercent, 100)) : 0);
    enableForStopped();
}

std::uint64_t PlaybackSession::stepFramesOfSeconds(int seconds) const {
    return static_cast<std::uint64_t>(std::max(seconds, 0)) * clock_.framesPerSecond();
}

std::uint64_t PlaybackSession::stepFrames(int stepSizePosition) const {
    return stepFramesOfSeconds(stepSeconds(stepSizePosition));
}

void PlaybackSession::jumpTo(std::uint64_t frame) {
    ++generation_;
    jumpedTo_ = frame;
    continues_ = false;
}

void PlaybackSession::goOnFromHeard() {
    const std::uint64_t heard = position();
    jumpTo(heard);
    continues_ = true;
}

// Back by `frames` of what was heard: with silence skipped, the stretches jumped over before the
// position do not count, so the rewind never lands inside one (which would then play through).
std::uint64_t PlaybackSession::rewoundPosition(std::uint64_t frames) const {
    std::uint64_t at = position();
    static const std::vector<FrameSpan> none;
    const std::vector<FrameSpan>& skippable = aids_.skipSilence && skippable_ ? *skippable_ : none;
    auto skippedBefore = static_cast<std::size_t>(
        std::partition_point(skippable.begin(), skippable.end(),
                             [at](const FrameSpan& span) { return span.end <= at; }) -
        skippable.begin());
    for (;;) {
        const std::uint64_t heardFrom = skippedBefore > 0 ? skippable[skippedBefore - 1].end : 0;
        if (at - heardFrom >= frames)
            return at - frames;
        if (skippedBefore == 0)
            return 0;
        frames -= at - heardFrom;
        at = skippable[--skippedBefore].begin;
    }
}

std::uint64_t PlaybackSession::lastSecond() const {
    const std::uint64_t second = clock_.framesPerSecond();
    return length_ > second ? length_ - second : 0;
}

// Stepping leaves what the device already holds to be heard: the jump follows it.
void PlaybackSession::back(int stepSizePosition) {
    const std::uint64_t step = stepFrames(stepSizePosition);
    const std::uint64_t at = position();
    jumpTo(at < step ? 0 : at - step);
    movedWhileStopped();
    publish();
}

void PlaybackSession::step(int stepSizePosition) {
    const std::uint64_t next = position() + stepFrames(stepSizePosition);
    jumpTo(next >= length_ ? lastSecond() : next);
    movedWhileStopped();
    publish();
}

void PlaybackSession::goTo(std::uint64_t frame) {
    if (state_ == TransportState::LoopPlaying)
        return;
    jumpTo(frame >= length_ ? lastSecond() : frame);
    movedWhileStopped();
    publish();
}

void PlaybackSession::markLoopBegin() {
    loopBegin_ = position();
    controls_.set(TransportControl::MarkLoopEnd, true);
    publish();
}

void PlaybackSession::markLoopEnd() {
    loopEnd_ = position();
    controls_.set(TransportControl::PlayLoop, true);
    publish();
}

void PlaybackSession::stopLoopPlay() {
    controls_.set(TransportControl::Play, true);
    controls_.set(TransportControl::Restart, true);
    // Stopped in the loop, the position and the marks can be moved as in a pause.
    controls_.set(TransportControl::MarkLoopEnd, true);
    controls_.set(TransportControl::PlayLoop, true);
    state_ = TransportState::Stopped;
    paused_ = false;
    movedWhileStopped_ = false;
    enableForStopped();
    progress_ = 0;
}

void PlaybackSession::togglePlayLoop() {
    if (state_ == TransportState::LoopPlaying) {
        stopLoopPlay();
    } else if (loopEnd_ < loopBegin_) {
        // Equal marks pass: they loop over nothing, which is silence.
        messenger_.showInformation("Begin mark is after end mark");
        return;
    } else {
        for (const TransportControl control :
             {TransportControl::Play, TransportControl::Restart, TransportControl::StopPause,
              TransportControl::Back, TransportControl::Step, TransportControl::MarkLoopBegin,
              TransportControl::MarkLoopEnd})
            controls_.set(control, false);
        jumpTo(loopBegin_);
        state_ = TransportState::LoopPlaying;
    }
    publish();
}

void PlaybackSession::playFromSeconds(int seconds) {
    enableForPlay();
    clearMarks();
    progress_ = 0;
    const std::uint64_t target = clock_.framesAt(seconds);
    jumpTo(target >= length_ ? lastSecond() : target);
    state_ = TransportState::Playing;
    publish();
}

Speed PlaybackSession::deviceSpeed() const {
    // Keeping the pitch, the device stays at the recording's rate and the filter changes the tempo.
    return aids_.filters.keepPitch ? Speed() : speed_;
}

bool PlaybackSession::reopenDevice(Speed speed) {
    bool fellBack = false;
    const int result = output_.reopenAtSpeed(speed, fellBack);
    if (fellBack)
        speed_ = Speed();
    return result == 0;
}

bool PlaybackSession::changeSpeed(Speed speed) {
    const bool tempoChanged = aids_.filters.keepPitch && speed != speed_;
    speed_ = speed;
    // Keeping the pitch, the filter takes the new tempo from the frame heard last.
    if (aids_.filters.keepPitch) {
        if (tempoChanged)
            goOnFromHeard();
    } else if (!reopenDevice(deviceSpeed())) {
        return false;
    }
    publish();
    return true;
}

bool PlaybackSession::setAids(const ListeningAids& aids) {
    // Other filters are heard from the frame heard last.
    if (aids.filters != aids_.filters)
        goOnFromHeard();
    aids_ = aids;
    aids_.rewindSeconds = std::clamp(aids.rewindSeconds, 0, kLongestRewindSeconds);
    // Each choice is tried anew, and a failure of it is new: it is shown again.
    renderer_.takeFilterError();
    ++filterTrial_;
    const Speed wanted = deviceSpeed();
    if (output_.isOpen() && output_.speed() != wanted && !reopenDevice(wanted))
        return false;
    publish();
    return true;
}

void PlaybackSession::setSilences(std::vector<FrameSpan> skippable) {
    skippable_ = std::make_shared<const std::vector<FrameSpan>>(std::move(skippable));
    publish();
}

void PlaybackSession::restoreSpeed(Speed speed) {
    speed_ = speed;
    publish();
}

void PlaybackSession::setVolume(Volume volume) {
    volume_ = volume;
    renderer_.setVolume(volume);
}

void PlaybackSession::moveTo(std::uint64_t frame) {
    jumpTo(std::min(frame, length_));
    publish();
}

void PlaybackSession::setBrowsing(bool browsing) {
    browsing_ = browsing;
}

void PlaybackSession::setHeld(bool held) {
    held_ = held;
    publish();
}

void PlaybackSession::clearLoopForWholeRecording() {
    if (state_ == TransportState::LoopPlaying)
        stopLoopPlay();
    controls_.set(TransportControl::MarkLoopBegin, true);
    controls_.set(TransportControl::MarkLoopEnd, false);
    controls_.set(TransportControl::PlayLoop, false);
    clearMarks();
    jumpTo(0);
    publish();
}

void PlaybackSession::publish() {
    SoundPlan plan;
    plan.generation = generation_;
    plan.from = jumpedTo_;
    plan.continues = continues_;
    plan.running = state_ != TransportState::Stopped && !held_;
    plan.looping = state_ == TransportState::LoopPlaying;
    plan.loopBegin = loopBegin_;
    plan.loopEnd = loopEnd_;
    plan.length = length_;
    plan.loading = loading_;
    plan.skipSilence = aids_.skipSilence;
    plan.skippable = skippable_;
    plan.filters = aids_.filters;
    plan.filterTrial = filterTrial_;
    plan.tempo = aids_.filters.keepPitch ? speed_.factor() : 1.0;
    renderer_.setPlan(plan);
    output_.setRunning(plan.running);
}

// --- the display tick -----------------------------------------------------------------------

void PlaybackSession::showProgress(int position) {
    progress_ = std::clamp(position, 0, 100);
    shownPercent_ = progress_;
}

void PlaybackSession::endOfPlay() {
    showProgress(100);
    state_ = TransportState::Stopped;
    // Play stops at the end, whatever the filters let through of the last frames' place.
    jumpTo(length_);
    paused_ = false;
    movedWhileStopped_ = false;
    // A loop begin marked since play started keeps its marks for loop play.
    if (!controls_[TransportControl::MarkLoopEnd]) {
        controls_.set(TransportControl::PlayLoop, false);
        clearMarks();
    }
    // Back goes on working at the end, to hear the last words again.
    enableForStopped();
}

void PlaybackSession::updateDisplay() {
    if (state_ == TransportState::Stopped)
        return;
    const std::uint64_t at = position();
    const int second = clock_.wholeSecondsOf(at);
    const bool secondChanged = second != shownSecond_;
    if (secondChanged)
        shownSecond_ = second;
    if (state_ == TransportState::Playing) {
        // A recording under 100 frames has no percent step: it shows 0% until the end.
        const std::uint64_t onePercent = length_ / 100;
        if (secondChanged)
            showProgress(onePercent > 0 ? static_cast<int>(std::min<std::uint64_t>(at / onePercent, 100))
                                        : 0);
        if (renderer_.reachedEnd(generation_)) {
            endOfPlay();
            publish();
        }
        return;
    }
    if (secondChanged) {
        const std::uint64_t step = (loopEnd_ - std::min(loopEnd_, loopBegin_)) / 100;
        const std::uint64_t done = at - std::min(at, loopBegin_);
        showProgress(step > 0 ? static_cast<int>(std::min<std::uint64_t>(done / step, 100)) : 0);
    }
}

PlaybackSnapshot PlaybackSession::refresh() {
    updateDisplay();
    // The renderer's thread cannot show it: the aids play on without their filters.
    const std::string filterError = renderer_.takeFilterError();
    if (!filterError.empty())
        messenger_.showError("The listening aids cannot be used: " + filterError);
    return snapshot();
}

PlaybackSnapshot PlaybackSession::snapshot() const {
    PlaybackSnapshot shown;
    shown.state = state_;
    shown.position = position();
    shown.length = length_;
    shown.loopBegin = loopBegin_;
    shown.loopEnd = loopEnd_;
    shown.shownSecond = shownSecond_;
    shown.progress = progress_;
    shown.shownPercent = shownPercent_;
    shown.controls = controls_;
    if (browsing_) {
        shown.controls.set(TransportControl::Play, false);
        shown.controls.set(TransportControl::PlayLoop, false);
    }
    shown.speed = speed_;
    shown.volume = volume_;
    shown.aids = aids_;
    return shown;
}

} // namespace kestrum

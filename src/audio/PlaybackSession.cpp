#include "audio/PlaybackSession.h"

#include "platform/FormatText.h"

#include <algorithm>
#include <array>

namespace kestrum {

namespace {

constexpr std::array<int, 5> kStepSeconds = {5, 10, 20, 30, 40};

int volumeLevel(int barPosition) {
    return 32 - std::clamp(barPosition, 0, 32);
}

} // namespace

std::string playTimeText(int seconds) {
    return formatText("Time %2d:%02d", seconds / 60, seconds % 60);
}

std::string percentText(int percent) {
    return formatText("%02d%%", percent);
}

int stepSeconds(int position) {
    return position >= 0 && position < 5 ? kStepSeconds[static_cast<std::size_t>(position)] : 0;
}

StepHints stepHints(int stepSizePosition) {
    const int seconds = stepSeconds(stepSizePosition);
    return {formatText("Steps Back %d Seconds", seconds), formatText("Steps Forward %d Seconds", seconds)};
}

std::uint32_t deviceVolumeForBar(int barPosition) {
    const int level = volumeLevel(barPosition);
    const auto channel = static_cast<std::uint32_t>(level * 2048 - (level != 0 ? 1 : 0));
    return channel | (channel << 16);
}

int volumePercentForBar(int barPosition) {
    return volumeLevel(barPosition) * 100 / 32;
}

PlaybackSession::PlaybackSession(const SampleStore& store, const WaveFormat& playbackFormat,
                                 SoundOutput& output, Messenger& messenger)
    : store_(store), playbackFormat_(playbackFormat), clock_(playbackFormat), output_(output),
      messenger_(messenger), timeText_(playTimeText(0)) {}

void PlaybackSession::audioLoading(std::uint64_t expectedBytes) {
    const Lock lock(mutex_);
    loading_ = true;
    length_ = clock_.framesIn(expectedBytes);
}

void PlaybackSession::audioLoaded(std::uint64_t audioBytes) {
    const Lock lock(mutex_);
    // The store holds the whole recording after a successful load; never read past it either way.
    length_ = clock_.framesIn(std::min<std::uint64_t>(audioBytes, store_.indexCount()));
    loading_ = false;
    if (position_ > length_)
        jumpToLocked(lastSecondLocked());
    loopBegin_ = std::min(loopBegin_, length_);
    loopEnd_ = std::min(loopEnd_, length_);
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
    int deviceSpeedCode = kNormalSpeedCode;
    {
        const Lock lock(mutex_);
        enableForPlay();
        clearMarks();
        if (position_ >= length_)
            restartLocked();
        else if (state_ == TransportState::Stopped && aids_.rewindSeconds > 0)
            // After a pause the last words are heard again.
            jumpToLocked(rewoundPositionLocked(stepFramesOfSeconds(aids_.rewindSeconds)));
        deviceSpeedCode = deviceSpeedCodeLocked();
    }
    // Play starts at the selected speed: the device is reopened when it runs at another rate.
    if ((!output_.isOpen() || output_.speedCode() != deviceSpeedCode) && !reopenDevice(deviceSpeedCode))
        return false;
    {
        const Lock lock(mutex_);
        state_ = TransportState::Playing;
    }
    syncDevice();
    return true;
}

void PlaybackSession::restartLocked() {
    jumpToLocked(0);
    progress_ = 0;
    percentText_ = percentText(0);
    lastShownSecond_ = 0;
    timeText_ = playTimeText(0);
}

void PlaybackSession::restart() {
    const Lock lock(mutex_);
    restartLocked();
}

void PlaybackSession::stop() {
    {
        const Lock lock(mutex_);
        for (const TransportControl control :
             {TransportControl::StopPause, TransportControl::Back, TransportControl::Step,
              TransportControl::MarkLoopBegin, TransportControl::MarkLoopEnd, TransportControl::PlayLoop})
            controls_.set(control, false);
        clearMarks();
        state_ = TransportState::Stopped;
    }
    syncDevice();
}

std::uint64_t PlaybackSession::stepFramesOfSeconds(int seconds) const {
    return static_cast<std::uint64_t>(std::max(seconds, 0)) * clock_.framesPerSecond();
}

std::uint64_t PlaybackSession::stepFrames(int stepSizePosition) const {
    return stepFramesOfSeconds(stepSeconds(stepSizePosition));
}

void PlaybackSession::jumpToLocked(std::uint64_t frame) {
    position_ = frame;
    reachedEnd_ = false;
    // What the filters hold belongs to the old place: it is not heard.
    filterStale_ = true;
}

// Back by `frames` of what was heard: with silence skipped, the stretches jumped over before the
// position do not count, so the rewind never lands inside one (which would then play through).
std::uint64_t PlaybackSession::rewoundPositionLocked(std::uint64_t frames) const {
    std::uint64_t at = position_;
    std::size_t skippedBefore = 0;
    if (aids_.skipSilence)
        skippedBefore = static_cast<std::size_t>(
            std::partition_point(skippable_.begin(), skippable_.end(),
                                 [at](const FrameSpan& span) { return span.end <= at; }) -
            skippable_.begin());
    for (;;) {
        const std::uint64_t heardFrom = skippedBefore > 0 ? skippable_[skippedBefore - 1].end : 0;
        if (at - heardFrom >= frames)
            return at - frames;
        if (skippedBefore == 0)
            return 0;
        frames -= at - heardFrom;
        at = skippable_[--skippedBefore].begin;
    }
}

std::uint64_t PlaybackSession::lastSecondLocked() const {
    const std::uint64_t second = clock_.framesPerSecond();
    return length_ > second ? length_ - second : 0;
}

// Stepping leaves what the device already holds to be heard: the jump follows it.
void PlaybackSession::back(int stepSizePosition) {
    const Lock lock(mutex_);
    const std::uint64_t step = stepFrames(stepSizePosition);
    jumpToLocked(position_ < step ? 0 : position_ - step);
}

void PlaybackSession::step(int stepSizePosition) {
    const Lock lock(mutex_);
    const std::uint64_t next = position_ + stepFrames(stepSizePosition);
    jumpToLocked(next >= length_ ? lastSecondLocked() : next);
}

void PlaybackSession::markLoopBegin() {
    const Lock lock(mutex_);
    loopBegin_ = position_;
    controls_.set(TransportControl::MarkLoopEnd, true);
}

void PlaybackSession::markLoopEnd() {
    const Lock lock(mutex_);
    loopEnd_ = position_;
    controls_.set(TransportControl::PlayLoop, true);
}

void PlaybackSession::stopLoopPlayLocked() {
    controls_.set(TransportControl::Play, true);
    controls_.set(TransportControl::Restart, true);
    for (const TransportControl control :
         {TransportControl::StopPause, TransportControl::Back, TransportControl::Step,
          TransportControl::MarkLoopBegin, TransportControl::MarkLoopEnd})
        controls_.set(control, false);
    controls_.set(TransportControl::PlayLoop, true);
    state_ = TransportState::Stopped;
    progress_ = 0;
}

void PlaybackSession::togglePlayLoop() {
    bool marksInOrder = true;
    {
        const Lock lock(mutex_);
        if (state_ == TransportState::LoopPlaying) {
            stopLoopPlayLocked();
        } else if (loopEnd_ < loopBegin_) {
            marksInOrder = false; // equal marks pass: they loop over nothing, which is silence
        } else {
            for (const TransportControl control :
                 {TransportControl::Play, TransportControl::Restart, TransportControl::StopPause,
                  TransportControl::Back, TransportControl::Step, TransportControl::MarkLoopBegin,
                  TransportControl::MarkLoopEnd})
                controls_.set(control, false);
            jumpToLocked(loopBegin_);
            state_ = TransportState::LoopPlaying;
        }
    }
    if (!marksInOrder) {
        messenger_.showInformation("Begin mark is after end mark");
        return;
    }
    syncDevice();
}

void PlaybackSession::playFromSeconds(int seconds) {
    {
        const Lock lock(mutex_);
        enableForPlay();
        clearMarks();
        progress_ = 0;
        const std::uint64_t target = clock_.framesAt(seconds);
        jumpToLocked(target >= length_ ? lastSecondLocked() : target);
        state_ = TransportState::Playing;
    }
    syncDevice();
}

int PlaybackSession::deviceSpeedCodeLocked() const {
    // Keeping the pitch, the device stays at the recording's rate and the filter changes the tempo.
    return aids_.filters.keepPitch ? kNormalSpeedCode
                                   : kSpeedCodeOfPosition[static_cast<std::size_t>(speedPosition_)];
}

bool PlaybackSession::reopenDevice(int speedCode) {
    bool fellBack = false;
    const int result = output_.reopenAtSpeed(speedCode, fellBack);
    if (fellBack) {
        const Lock lock(mutex_);
        speedPosition_ = kNormalSpeedPosition;
    }
    return result == 0;
}

bool PlaybackSession::changeSpeed(int position) {
    if (position < 0 || position >= static_cast<int>(kSpeedCodeOfPosition.size()))
        return true;
    int deviceSpeedCode = kNormalSpeedCode;
    {
        const Lock lock(mutex_);
        speedPosition_ = position;
        tempoChanged_ = true;
        if (aids_.filters.keepPitch)
            return true; // the filter takes the new tempo with its next frames
        deviceSpeedCode = deviceSpeedCodeLocked();
    }
    if (!reopenDevice(deviceSpeedCode))
        return false;
    syncDevice();
    return true;
}

bool PlaybackSession::setAids(const ListeningAids& aids) {
    int deviceSpeedCode = kNormalSpeedCode;
    {
        const Lock lock(mutex_);
        if (aids.filters != aids_.filters)
            filterStale_ = true;
        aids_ = aids;
        aids_.rewindSeconds = std::clamp(aids.rewindSeconds, 0, kLongestRewindSeconds);
        // A failure of the aids now chosen is new: it is shown again.
        filterError_.clear();
        filterErrorShown_ = false;
        deviceSpeedCode = deviceSpeedCodeLocked();
    }
    if (output_.isOpen() && output_.speedCode() != deviceSpeedCode && !reopenDevice(deviceSpeedCode))
        return false;
    syncDevice();
    return true;
}

void PlaybackSession::setSilences(std::vector<FrameSpan> skippable) {
    const Lock lock(mutex_);
    skippable_ = std::move(skippable);
}

void PlaybackSession::restoreSpeedPosition(int position) {
    const Lock lock(mutex_);
    if (position >= 0 && position < static_cast<int>(kSpeedCodeOfPosition.size()))
        speedPosition_ = position;
}

void PlaybackSession::setVolumeBar(int barPosition) {
    const Lock lock(mutex_);
    volumeBar_ = std::clamp(barPosition, 0, 32);
    volume_ = deviceVolumeForBar(volumeBar_);
}

void PlaybackSession::moveTo(std::uint64_t frame) {
    const Lock lock(mutex_);
    jumpToLocked(std::min(frame, length_));
}

void PlaybackSession::setBrowsing(bool browsing) {
    const Lock lock(mutex_);
    browsing_ = browsing;
}

void PlaybackSession::setHeld(bool held) {
    {
        const Lock lock(mutex_);
        held_ = held;
    }
    syncDevice();
}

void PlaybackSession::clearLoopForWholeRecording() {
    {
        const Lock lock(mutex_);
        if (state_ == TransportState::LoopPlaying)
            stopLoopPlayLocked();
        controls_.set(TransportControl::MarkLoopBegin, true);
        controls_.set(TransportControl::MarkLoopEnd, false);
        controls_.set(TransportControl::PlayLoop, false);
        clearMarks();
        jumpToLocked(0);
    }
    syncDevice();
}

void PlaybackSession::syncDevice() {
    bool wanted = false;
    {
        const Lock lock(mutex_);
        wanted = state_ != TransportState::Stopped && !held_;
    }
    output_.setRunning(wanted);
}

// --- the display tick -----------------------------------------------------------------------

void PlaybackSession::showProgressLocked(int position) {
    progress_ = std::clamp(position, 0, 100);
    percentText_ = percentText(progress_);
}

void PlaybackSession::endOfPlayLocked() {
    showProgressLocked(100);
    state_ = TransportState::Stopped;
    controls_.set(TransportControl::StopPause, false);
    controls_.set(TransportControl::Back, false);
    controls_.set(TransportControl::Step, false);
    // A loop begin marked since play started keeps its marks for loop play.
    if (!controls_[TransportControl::MarkLoopEnd]) {
        controls_.set(TransportControl::MarkLoopBegin, false);
        controls_.set(TransportControl::PlayLoop, false);
        clearMarks();
    }
}

void PlaybackSession::updateDisplayLocked() {
    if (state_ == TransportState::Stopped)
        return;
    const int second = clock_.wholeSecondsOf(position_);
    const bool secondChanged = second != lastShownSecond_;
    if (secondChanged) {
        lastShownSecond_ = second;
        timeText_ = playTimeText(second);
    }
    if (state_ == TransportState::Playing) {
        // A recording under 100 frames has no percent step: it shows 0% until the end.
        const std::uint64_t onePercent = length_ / 100;
        if (secondChanged)
            showProgressLocked(
                onePercent > 0 ? static_cast<int>(std::min<std::uint64_t>(position_ / onePercent, 100)) : 0);
        if (reachedEnd_ && position_ >= length_)
            endOfPlayLocked();
        return;
    }
    if (secondChanged) {
        const std::uint64_t step = (loopEnd_ - std::min(loopEnd_, loopBegin_)) / 100;
        const std::uint64_t done = position_ - std::min(position_, loopBegin_);
        showProgressLocked(step > 0 ? static_cast<int>(std::min<std::uint64_t>(done / step, 100)) : 0);
    }
}

PlaybackSnapshot PlaybackSession::refresh() {
    PlaybackSnapshot shown;
    std::string filterError;
    {
        const Lock lock(mutex_);
        updateDisplayLocked();
        if (!filterError_.empty() && !filterErrorShown_) {
            filterError = filterError_;
            filterErrorShown_ = true;
        }
        shown = snapshotLocked();
    }
    // The device's thread cannot show it: the aids play on without their filters.
    if (!filterError.empty())
        messenger_.showError("The listening aids cannot be used: " + filterError);
    syncDevice();
    return shown;
}

PlaybackSnapshot PlaybackSession::snapshot() const {
    const Lock lock(mutex_);
    return snapshotLocked();
}

PlaybackSnapshot PlaybackSession::snapshotLocked() const {
    PlaybackSnapshot shown;
    shown.state = state_;
    shown.position = position_;
    shown.length = length_;
    shown.loopBegin = loopBegin_;
    shown.loopEnd = loopEnd_;
    shown.timeText = timeText_;
    shown.progress = progress_;
    shown.percentText = percentText_;
    shown.controls = controls_;
    if (browsing_) {
        shown.controls.set(TransportControl::Play, false);
        shown.controls.set(TransportControl::PlayLoop, false);
    }
    shown.speedPosition = speedPosition_;
    shown.volumeBarPosition = volumeBar_;
    shown.aids = aids_;
    shown.volumePercentText = percentText(volumePercentForBar(volumeBar_));
    return shown;
}

// --- the sound, on the device's thread ------------------------------------------------------

void PlaybackSession::applyVolume(std::uint8_t* bytes, std::size_t count) const {
    const int left = static_cast<int>(volume_ & 0xFFFFu);
    const int right = static_cast<int>(volume_ >> 16);
    if (left == 0xFFFF && right == 0xFFFF)
        return;
    const unsigned channels = std::max<unsigned>(1, playbackFormat_.channels);
    if (playbackFormat_.bitsPerSample == 8) {
        for (std::size_t i = 0; i < count; ++i) {
            const int level = i % channels == 1 ? right : left;
            bytes[i] = static_cast<std::uint8_t>(128 + (static_cast<int>(bytes[i]) - 128) * level / 0xFFFF);
        }
        return;
    }
    for (std::size_t i = 0; i + 1 < count; i += 2) {
        const int level = (i / 2) % channels == 1 ? right : left;
        const auto sample = static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8));
        const auto scaled = static_cast<std::uint16_t>(static_cast<std::int16_t>(sample * level / 0xFFFF));
        bytes[i] = static_cast<std::uint8_t>(scaled & 0xFF);
        bytes[i + 1] = static_cast<std::uint8_t>(scaled >> 8);
    }
}

std::uint64_t PlaybackSession::readSourceLocked(std::uint8_t* to, std::uint64_t wanted) {
    const bool looping = state_ == TransportState::LoopPlaying;
    const bool skipping = aids_.skipSilence && !looping;
    const std::uint64_t stored = clock_.framesIn(store_.indexCount());
    std::uint64_t read = 0;
    while (read < wanted) {
        std::uint64_t end = std::min(looping ? std::min(loopEnd_, length_) : length_, stored);
        if (position_ >= end) {
            if (position_ >= stored && position_ < length_)
                break; // not loaded yet: the sound waits for it
            // A loop starts again at its begin mark; the recording's end is where play ends.
            if (looping && end > loopBegin_) {
                position_ = loopBegin_;
                continue;
            }
            break;
        }
        if (skipping) {
            // The next silent stretch: jumped over from its start, played through from inside
            // it (where a keyword or the user put the position).
            const auto next =
                std::upper_bound(skippable_.begin(), skippable_.end(), position_,
                                 [](std::uint64_t frame, const FrameSpan& span) { return frame < span.end; });
            if (next != skippable_.end()) {
                if (position_ == next->begin) {
                    position_ = next->end;
                    continue;
                }
                if (position_ < next->begin)
                    end = std::min(end, next->begin);
            }
        }
        const std::uint64_t frames = std::min(end - position_, wanted - read);
        std::copy_n(store_.samples().data() + clock_.bytesOf(position_), clock_.bytesOf(frames),
                    to + clock_.bytesOf(read));
        read += frames;
        position_ += frames;
    }
    return read;
}

bool PlaybackSession::filterReadyLocked() {
    if (!aids_.filters.any() || !filterError_.empty())
        return false;
    const double tempo = tempoOfSpeedPosition(speedPosition_);
    if (!filter_ || filterStale_ || filterChoice_ != aids_.filters) {
        filter_ = SoundFilter::open(playbackFormat_, aids_.filters, tempo, filterError_);
        filterChoice_ = aids_.filters;
        filterStale_ = false;
        tempoChanged_ = false;
        if (!filter_)
            return false;
    }
    if (tempoChanged_) {
        filter_->setTempo(tempo);
        tempoChanged_ = false;
    }
    return true;
}

void PlaybackSession::fillFilteredLocked(std::span<std::uint8_t> out) {
    const bool looping = state_ == TransportState::LoopPlaying;
    // Fed in pieces of about 30 ms until enough has come out.
    std::array<std::uint8_t, 4096> piece{};
    const std::uint64_t pieceFrames = std::min<std::uint64_t>(
        clock_.framesIn(piece.size()), std::max<std::uint32_t>(1, clock_.framesPerSecond() / 32));
    while (filter_->queuedBytes() < out.size() && !filter_->finished()) {
        const std::uint64_t read = readSourceLocked(piece.data(), pieceFrames);
        if (read == 0) {
            if (looping || !atEndLocked())
                break; // a loop over nothing, or a call still loading
            filter_->finish();
            break;
        }
        if (!filter_->push({piece.data(), static_cast<std::size_t>(clock_.bytesOf(read))})) {
            filterError_ = "the sound filter failed";
            break;
        }
    }
    const std::size_t taken = filter_->take(out);
    applyVolume(out.data(), taken);
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(taken), out.end(), silenceByte(playbackFormat_));
    if (filter_->finished() && filter_->queuedBytes() == 0)
        reachedEnd_ = true;
}

void PlaybackSession::fillSound(std::span<std::uint8_t> out) {
    const Lock lock(mutex_);
    const bool playing = state_ != TransportState::Stopped && !held_;
    if (playing && filterReadyLocked()) {
        fillFilteredLocked(out);
        return;
    }
    std::size_t filled = 0;
    if (playing) {
        const std::uint64_t wanted = clock_.framesIn(out.size());
        const std::uint64_t read = readSourceLocked(out.data(), wanted);
        filled = static_cast<std::size_t>(clock_.bytesOf(read));
        applyVolume(out.data(), filled);
        if (read < wanted && state_ == TransportState::Playing && atEndLocked())
            reachedEnd_ = true;
    }
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(filled), out.end(), silenceByte(playbackFormat_));
}

} // namespace kestrum

#include "audio/PlaybackSession.h"

#include "platform/FormatText.h"

#include <algorithm>

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

PlaybackSession::PlaybackSession(const SampleStore& store, const WaveFormat& playbackFormat, SoundOutput& output,
                                 Messenger& messenger)
    : store_(store), playbackFormat_(playbackFormat), clock_(playbackFormat), output_(output),
      messenger_(messenger), timeText_(playTimeText(0)) {}

void PlaybackSession::audioLoaded(std::uint64_t audioBytes) {
    const Lock lock(mutex_);
    // The store holds the whole recording after a successful load; never read past it either way.
    length_ = clock_.framesIn(std::min<std::uint64_t>(audioBytes, store_.indexCount()));
    position_ = std::min(position_, length_);
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
    int speedPosition = 0;
    {
        const Lock lock(mutex_);
        enableForPlay();
        clearMarks();
        if (position_ >= length_)
            restartLocked();
        speedPosition = speedPosition_;
    }
    // Play starts at the selected speed: the device is reopened when it runs at another.
    const bool deviceReady =
        output_.isOpen() && output_.speedCode() == kSpeedCodeOfPosition[static_cast<std::size_t>(speedPosition)];
    if (!deviceReady && !reopenForSpeed(speedPosition))
        return false;
    {
        const Lock lock(mutex_);
        state_ = TransportState::Playing;
    }
    syncDevice();
    return true;
}

void PlaybackSession::restartLocked() {
    position_ = 0;
    reachedEnd_ = false;
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

std::uint64_t PlaybackSession::stepFrames(int stepSizePosition) const {
    return static_cast<std::uint64_t>(stepSeconds(stepSizePosition)) * clock_.framesPerSecond();
}

std::uint64_t PlaybackSession::lastSecondLocked() const {
    const std::uint64_t second = clock_.framesPerSecond();
    return length_ > second ? length_ - second : 0;
}

// Stepping leaves what the device already holds to be heard: the jump follows it.
void PlaybackSession::back(int stepSizePosition) {
    const Lock lock(mutex_);
    const std::uint64_t step = stepFrames(stepSizePosition);
    position_ = position_ < step ? 0 : position_ - step;
    reachedEnd_ = false;
}

void PlaybackSession::step(int stepSizePosition) {
    const Lock lock(mutex_);
    const std::uint64_t next = position_ + stepFrames(stepSizePosition);
    position_ = next >= length_ ? lastSecondLocked() : next;
    reachedEnd_ = false;
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
    for (const TransportControl control : {TransportControl::StopPause, TransportControl::Back,
                                           TransportControl::Step, TransportControl::MarkLoopBegin,
                                           TransportControl::MarkLoopEnd})
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
            position_ = loopBegin_;
            reachedEnd_ = false;
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
        position_ = target >= length_ ? lastSecondLocked() : target;
        reachedEnd_ = false;
        state_ = TransportState::Playing;
    }
    syncDevice();
}

bool PlaybackSession::reopenForSpeed(int position) {
    bool fellBack = false;
    const int result = output_.reopenAtSpeed(kSpeedCodeOfPosition[static_cast<std::size_t>(position)], fellBack);
    if (fellBack) {
        const Lock lock(mutex_);
        speedPosition_ = kNormalSpeedPosition;
    }
    return result == 0;
}

bool PlaybackSession::changeSpeed(int position) {
    if (position < 0 || position >= static_cast<int>(kSpeedCodeOfPosition.size()))
        return true;
    {
        const Lock lock(mutex_);
        speedPosition_ = position;
    }
    if (!reopenForSpeed(position))
        return false;
    syncDevice();
    return true;
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
    position_ = std::min(frame, length_);
    reachedEnd_ = false;
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
        position_ = 0;
        reachedEnd_ = false;
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
            showProgressLocked(onePercent > 0 ? static_cast<int>(std::min<std::uint64_t>(position_ / onePercent, 100))
                                              : 0);
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
    {
        const Lock lock(mutex_);
        updateDisplayLocked();
        shown = snapshotLocked();
    }
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
    shown.volumePercentText = percentText(volumePercentForBar(volumeBar_));
    return shown;
}

// --- the sound, on the device's thread ------------------------------------------------------

void PlaybackSession::copyWithVolume(const std::uint8_t* from, std::uint8_t* to, std::size_t bytes) const {
    const int left = static_cast<int>(volume_ & 0xFFFFu);
    const int right = static_cast<int>(volume_ >> 16);
    if (left == 0xFFFF && right == 0xFFFF) {
        std::copy_n(from, bytes, to);
        return;
    }
    const unsigned channels = std::max<unsigned>(1, playbackFormat_.channels);
    if (playbackFormat_.bitsPerSample == 8) {
        for (std::size_t i = 0; i < bytes; ++i) {
            const int level = i % channels == 1 ? right : left;
            to[i] = static_cast<std::uint8_t>(128 + (static_cast<int>(from[i]) - 128) * level / 0xFFFF);
        }
        return;
    }
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        const int level = (i / 2) % channels == 1 ? right : left;
        const auto sample = static_cast<std::int16_t>(from[i] | (from[i + 1] << 8));
        const auto scaled = static_cast<std::uint16_t>(static_cast<std::int16_t>(sample * level / 0xFFFF));
        to[i] = static_cast<std::uint8_t>(scaled & 0xFF);
        to[i + 1] = static_cast<std::uint8_t>(scaled >> 8);
    }
}

void PlaybackSession::fillSound(std::span<std::uint8_t> out) {
    const Lock lock(mutex_);
    const std::uint32_t frameBytes = clock_.frameBytes();
    std::size_t filled = 0;
    const bool playing = state_ != TransportState::Stopped && !held_;
    while (playing && filled + frameBytes <= out.size()) {
        const bool looping = state_ == TransportState::LoopPlaying;
        const std::uint64_t end = looping ? std::min(loopEnd_, length_) : length_;
        if (position_ >= end) {
            // A loop starts again at its begin mark; the recording's end is where play ends.
            if (looping && end > loopBegin_) {
                position_ = loopBegin_;
                continue;
            }
            reachedEnd_ = !looping;
            break;
        }
        const std::uint64_t frames = std::min<std::uint64_t>(end - position_, (out.size() - filled) / frameBytes);
        const std::size_t bytes = static_cast<std::size_t>(clock_.bytesOf(frames));
        copyWithVolume(store_.samples().data() + clock_.bytesOf(position_), out.data() + filled, bytes);
        filled += bytes;
        position_ += frames;
    }
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(filled), out.end(), silenceByte(playbackFormat_));
}

} // namespace kestrum

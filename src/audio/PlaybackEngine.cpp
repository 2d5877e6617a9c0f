#include "audio/PlaybackEngine.h"

#include "platform/FormatText.h"

#include <algorithm>

namespace kestrum {

void PlaybackEngine::prepareAfterLoading() {
    state_.onePercent = recording_.audioLength / 100;
    const WaveFormat& format = recording_.playbackFormat;
    state_.bytesPerSecond = format.samplesPerSec * (format.bitsPerSample / 8.0);
}

WaveHeader* PlaybackEngine::freeBuffer(int& number) {
    for (number = 0; number < 2; ++number) {
        WaveHeader& header = device_.playBuffers()[static_cast<std::size_t>(number)];
        device_.waveOut().updateDone(header);
        if (header.done)
            return &header;
    }
    return nullptr;
}

bool PlaybackEngine::deviceDrained() {
    return device_.waveOut().queuedBytes() == 0;
}

std::uint32_t PlaybackEngine::playableLength() const {
    return std::min<std::uint32_t>(recording_.audioLength, static_cast<std::uint32_t>(store_.indexCount()));
}

// Fills a free buffer from the play position up to at most `end` and queues it.
int PlaybackEngine::queueBuffer(std::uint32_t end, const char* failure) {
    int number = 0;
    WaveHeader* header = freeBuffer(number);
    if (header == nullptr)
        return 0;
    const std::uint32_t position = state_.playPosition;
    const std::uint32_t count = end > position ? std::min<std::uint32_t>(kPlayBufferSize, end - position) : 0;
    if (count == 0)
        return 0; // marks that leave nothing to play: no empty buffer is queued
    showPlayPosition(position);
    const std::span<const std::uint8_t> samples = store_.samples();
    std::copy_n(samples.begin() + position, count, header->data.begin());
    header->bufferLength = count;
    state_.playPosition = position + count;
    if (device_.waveOut().write(*header) != 0)
        return reporter_.fail(failure, number);
    return 0;
}

int PlaybackEngine::sendBufferForPlay() {
    return queueBuffer(playableLength(), "waveOutWrite %d failed");
}

int PlaybackEngine::sendloopBufferForPlay(bool restart) {
    int number = 0;
    if (restart && freeBuffer(number) != nullptr)
        state_.playPosition = state_.loopBegin;
    const std::uint32_t end =
        std::min<std::uint32_t>(state_.loopEnd, static_cast<std::uint32_t>(store_.indexCount()));
    return queueBuffer(end, "sendloopBufferForPlay %d failed");
}

void PlaybackEngine::showProgress(int position) {
    view_.setProgressPosition(position);
    view_.setPercentText(percentText(view_.progressPosition()));
}

void PlaybackEngine::endOfPlay() {
    showProgress(100);
    showPlayPosition(recording_.audioLength);
    view_.setTimerEnabled(false);
    device_.waveOut().reset();
    view_.setControlEnabled(TransportControl::StopBtn, false);
    view_.setControlEnabled(TransportControl::BackBtn, false);
    view_.setControlEnabled(TransportControl::StepBtn, false);
    if (!view_.controlEnabled(TransportControl::MarkLoopEndBtn)) {
        view_.setControlEnabled(TransportControl::MarkLoopBeginBtn, false);
        view_.setControlEnabled(TransportControl::MarkLoopEndBtn, false);
        view_.setControlEnabled(TransportControl::PlayLoopBtn, false);
        state_.loopBegin = 0;
        state_.loopEnd = 0;
    }
}

void PlaybackEngine::Timer1Timer() {
    const int second =
        state_.bytesPerSecond > 0 ? static_cast<int>(state_.playPosition / state_.bytesPerSecond) : 0;
    const bool secondChanged = second != state_.lastShownSecond;
    if (secondChanged) {
        state_.lastShownSecond = second;
        view_.setPlayTimeText(playTimeText(second));
    }

    if (!state_.loopPlaying) {
        // A recording under 100 bytes has no percent step: it shows 0% until the end.
        if (secondChanged)
            showProgress(state_.onePercent > 0 ? static_cast<int>(state_.playPosition / state_.onePercent)
                                               : 0);
        if (state_.playPosition >= playableLength()) {
            // The last buffers play out before the device is reset, so the end is heard.
            if (deviceDrained())
                endOfPlay();
            return;
        }
        // Both buffers may be free: refill both, never more than two waiting ahead.
        for (int queued = 0; queued < 2; ++queued) {
            const std::uint32_t before = state_.playPosition;
            if (sendBufferForPlay() != 0 || state_.playPosition == before)
                break;
        }
        return;
    }

    if (secondChanged) {
        const std::uint32_t step = (state_.loopEnd - std::min(state_.loopEnd, state_.loopBegin)) / 100;
        const std::uint32_t done = state_.playPosition - std::min(state_.playPosition, state_.loopBegin);
        showProgress(step > 0 ? static_cast<int>(std::min<std::uint32_t>(done / step, 100)) : 0);
    }
    for (int queued = 0; queued < 2; ++queued) {
        const std::uint32_t before = state_.playPosition;
        if (sendloopBufferForPlay(state_.playPosition >= state_.loopEnd) != 0 ||
            state_.playPosition == before)
            break;
    }
}

void PlaybackEngine::showPlayPosition(std::uint32_t index) {
    if (!waveform_.isVisible())
        return;
    if (state_.waveformScale >= 0.3)
        state_.redrawSkip = !state_.redrawSkip;
    else
        state_.redrawSkip = false;
    if (index == recording_.audioLength)
        state_.redrawSkip = false;
    if (state_.redrawSkip)
        return;
    const double halfSpan = (state_.waveformScale * 100 + 1) * 0.05;
    const double samplesPerSecond = recording_.playbackFormat.samplesPerSec;
    const double centre = samplesPerSecond > 0 ? index / samplesPerSecond : 0.0;
    const double minimum = centre - halfSpan;
    const double maximum = centre + halfSpan;
    waveform_.showSpan(minimum, maximum, minimum + (maximum - minimum) * 0.5);
}

} // namespace kestrum

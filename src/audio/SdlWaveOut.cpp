#include "audio/SdlWaveOut.h"

#include <SDL2/SDL.h>

#include <algorithm>

namespace kestrum {

namespace {

// A format SDL can open as it is: 8-bit unsigned or 16-bit signed PCM at any sensible rate.
bool playable(const WaveFormat& format) {
    return format.tag == kTagPcm && (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
           format.channels >= 1 && format.channels <= 8 && format.samplesPerSec >= 1000 &&
           format.samplesPerSec <= 384000;
}

} // namespace

SdlWaveOut::SdlWaveOut() {
    initialised_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (!initialised_)
        lastError_ = SDL_GetError();
}

SdlWaveOut::~SdlWaveOut() {
    close();
    if (initialised_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

int SdlWaveOut::fail(int result) {
    lastError_ = SDL_GetError();
    return result;
}

unsigned SdlWaveOut::deviceCount() {
    if (!initialised_)
        return 0;
    // Some drivers cannot list their devices; the default device is always worth a try.
    return static_cast<unsigned>(std::max(1, SDL_GetNumAudioDevices(0)));
}

int SdlWaveOut::open(int deviceId, const WaveFormat& format) {
    if (!initialised_)
        return kError;
    if (!playable(format)) {
        lastError_ = "Unsupported wave format";
        return kBadFormat;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(format.samplesPerSec);
    wanted.format = format.bitsPerSample == 16 ? AUDIO_S16LSB : AUDIO_U8;
    wanted.channels = static_cast<Uint8>(format.channels);
    wanted.samples = 512;
    SDL_AudioSpec obtained{};
    const char* name = deviceId > 0 ? SDL_GetAudioDeviceName(deviceId, 0) : nullptr;
    device_ = SDL_OpenAudioDevice(name, 0, &wanted, &obtained, 0);
    if (device_ == 0)
        return fail(kError);
    eightBit_ = format.bitsPerSample == 8;
    started_ = false;
    ++streamId_;
    queuedTotal_ = 0;
    return 0;
}

int SdlWaveOut::queryFormat(const WaveFormat& format) {
    if (!initialised_)
        return kError;
    if (!playable(format)) {
        lastError_ = "Unsupported wave format";
        return kBadFormat;
    }
    return 0;
}

int SdlWaveOut::close() {
    if (device_ == 0)
        return 0;
    SDL_CloseAudioDevice(device_);
    device_ = 0;
    ++streamId_;
    queuedTotal_ = 0;
    return 0;
}

void SdlWaveOut::reset() {
    if (device_ == 0)
        return;
    SDL_ClearQueuedAudio(device_);
    ++streamId_;
    queuedTotal_ = 0;
}

int SdlWaveOut::prepareHeader(WaveHeader& header) {
    header.prepared = true;
    return 0;
}

int SdlWaveOut::unprepareHeader(WaveHeader& header) {
    header.prepared = false;
    return 0;
}

int SdlWaveOut::write(WaveHeader& header) {
    if (device_ == 0) {
        lastError_ = "The device is not open";
        return kError;
    }
    const std::uint32_t length = std::min<std::uint32_t>(header.bufferLength, kPlayBufferSize);
    std::array<std::uint8_t, kPlayBufferSize> bytes;
    std::copy_n(header.data.begin(), length, bytes.begin());
    const std::uint32_t left = volume_ & 0xFFFFu;
    if (eightBit_ && left != 0xFFFFu) {
        for (std::uint32_t i = 0; i < length; ++i) {
            const int centred = static_cast<int>(bytes[i]) - 128;
            bytes[i] = static_cast<std::uint8_t>(128 + centred * static_cast<int>(left) / 0xFFFF);
        }
    }
    if (SDL_QueueAudio(device_, bytes.data(), length) != 0)
        return fail(kError);
    header.done = false;
    header.streamStart = queuedTotal_;
    queuedTotal_ += length;
    header.streamEnd = queuedTotal_;
    header.streamId = streamId_;
    if (!started_) {
        // Started only once there is something to play, so output never begins with silence.
        SDL_PauseAudioDevice(device_, 0);
        started_ = true;
    }
    return 0;
}

void SdlWaveOut::updateDone(WaveHeader& header) {
    if (header.done)
        return;
    if (device_ == 0 || header.streamId != streamId_) {
        header.done = true;
        return;
    }
    // Refilled as soon as the device plays it: waiting until it has played all of it would leave
    // the other buffer alone to cover a whole tick, and at the fastest speed a buffer lasts a tick.
    const std::uint64_t taken = queuedTotal_ - SDL_GetQueuedAudioSize(device_);
    if (taken > header.streamStart || header.streamEnd == header.streamStart)
        header.done = true;
}

std::uint64_t SdlWaveOut::queuedBytes() {
    return device_ == 0 ? 0 : SDL_GetQueuedAudioSize(device_);
}

std::string SdlWaveOut::errorText(int) {
    return lastError_;
}

} // namespace kestrum

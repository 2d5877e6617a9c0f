#include "audio/SdlAudioOutput.h"

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

// SDL's callback, on the device's thread: the source fills the buffer.
void SDLCALL pullFromSource(void* source, Uint8* stream, int length) {
    static_cast<SoundSource*>(source)->fillSound({stream, static_cast<std::size_t>(length)});
}

static_assert(sizeof(SDL_AudioDeviceID) == sizeof(std::uint32_t));

} // namespace

std::uint16_t deviceBufferFrames(std::uint32_t framesPerSecond) {
    std::uint32_t frames = 128;
    while (frames * 2 <= framesPerSecond / 25 && frames < 8192)
        frames *= 2;
    return static_cast<std::uint16_t>(frames);
}

SdlAudioOutput::SdlAudioOutput() {
    initialised_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (!initialised_)
        lastError_ = SDL_GetError();
}

SdlAudioOutput::~SdlAudioOutput() {
    close();
    if (initialised_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

int SdlAudioOutput::fail(int result) {
    lastError_ = SDL_GetError();
    return result;
}

unsigned SdlAudioOutput::deviceCount() {
    if (!initialised_)
        return 0;
    // Some drivers cannot list their devices; the default device is always worth a try.
    return static_cast<unsigned>(std::max(1, SDL_GetNumAudioDevices(0)));
}

int SdlAudioOutput::canPlay(const WaveFormat& format) {
    if (!initialised_)
        return kError;
    if (!playable(format)) {
        lastError_ = "Unsupported wave format";
        return kBadFormat;
    }
    return 0;
}

int SdlAudioOutput::open(int deviceIndex, const WaveFormat& format, SoundSource& source) {
    if (const int refused = canPlay(format); refused != 0)
        return refused;
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(format.samplesPerSec);
    wanted.format = format.bitsPerSample == 16 ? AUDIO_S16LSB : AUDIO_U8;
    wanted.channels = static_cast<Uint8>(format.channels);
    wanted.samples = deviceBufferFrames(format.samplesPerSec);
    wanted.callback = &pullFromSource;
    wanted.userdata = &source;
    SDL_AudioSpec obtained{};
    const char* name = deviceIndex > 0 ? SDL_GetAudioDeviceName(deviceIndex, 0) : nullptr;

    // A stopped device goes before the new one opens: nothing is heard from it anyway, and some
    // drivers (the disk driver) share one output between the two.
    if (!running_)
        close();
    SDL_AudioDeviceID opened = SDL_OpenAudioDevice(name, 0, &wanted, &obtained, 0);
    if (opened == 0 && device_ != 0) {
        // A driver that opens one device at a time (SDL's disk and dummy drivers, some hardware):
        // the old one goes first, and the sound has a gap instead of stopping.
        const bool wasRunning = running_;
        close();
        opened = SDL_OpenAudioDevice(name, 0, &wanted, &obtained, 0);
        if (opened == 0)
            return fail(kError);
        device_ = opened;
        setRunning(wasRunning);
        return 0;
    }
    if (opened == 0)
        return fail(kError);
    const SDL_AudioDeviceID previous = device_;
    device_ = opened;
    if (previous != 0) {
        // The hand-over: the old device stops pulling before the new one starts, so the source
        // is never asked by both at once, and the old one is closed while the new one plays.
        SDL_PauseAudioDevice(previous, 1);
        SDL_PauseAudioDevice(device_, 0);
        SDL_CloseAudioDevice(previous);
    }
    return 0;
}

void SdlAudioOutput::setRunning(bool running) {
    if (device_ == 0 || running == running_)
        return;
    SDL_PauseAudioDevice(device_, running ? 0 : 1);
    running_ = running;
}

int SdlAudioOutput::close() {
    if (device_ == 0)
        return 0;
    SDL_CloseAudioDevice(device_);
    device_ = 0;
    running_ = false;
    return 0;
}

std::string SdlAudioOutput::errorText(int) {
    return lastError_;
}

} // namespace kestrum

#include "audio/SoundOutput.h"

#include <algorithm>

namespace kestrum {

std::uint8_t silenceByte(const WaveFormat& format) {
    return format.bitsPerSample == 8 ? 0x80 : 0x00;
}

void SoundOutput::Forwarder::fillSound(std::span<std::uint8_t> out) {
    if (SoundSource* source = source_.load())
        source->fillSound(out);
    else
        std::fill(out.begin(), out.end(), silenceByte(format_));
}

int SoundOutput::openSoundDevice() {
    const unsigned devices = device_.deviceCount();
    if (devices == 0)
        return reporter_.fail("NO sound dev found");
    for (unsigned index = 0; index < devices; ++index)
        if (openByIndex(static_cast<int>(index)) == 0)
            return 0;
    return 1;
}

int SoundOutput::openByIndex(int deviceIndex) {
    const int result = device_.open(deviceIndex, playbackFormat_, source_);
    if (result != 0)
        return reporter_.fail("openSndOutDev waveOutOpen failed %d %s", result,
                              device_.errorText(result).c_str());
    speed_ = Speed();
    return 0;
}

int SoundOutput::reopenAtSpeed(Speed speed, bool& fellBackToNormal) {
    fellBackToNormal = false;
    WaveFormat format = speed.deviceFormat(playbackFormat_);
    if (const int refused = device_.canPlay(format); refused != 0) {
        reporter_.fail(
            "reOpenSndOutDev waveOutOpen failed, Playout using sound device failed. Speed changed. %d %s",
            refused, device_.errorText(refused).c_str());
        fellBackToNormal = true;
        speed = Speed();
        format = playbackFormat_;
        if (const int again = device_.canPlay(format); again != 0)
            return reporter_.fail("reOpenSndOutDev waveOutOpen failed again. %d %s", again,
                                  device_.errorText(again).c_str());
    }
    if (const int result = device_.open(AudioOutput::kAnyDevice, format, source_); result != 0)
        return reporter_.fail("reOpenSndOutDev waveOutOpen error opening output sound device %d %s", result,
                              device_.errorText(result).c_str());
    speed_ = speed;
    return 0;
}

void SoundOutput::release() {
    if (!device_.isOpen())
        return;
    if (const int result = device_.close(); result != 0)
        reporter_.inform("waveOutClose failed %d %s", result, device_.errorText(result).c_str());
}

} // namespace kestrum

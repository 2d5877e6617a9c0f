#include "audio/SoundDevice.h"

#include <chrono>
#include <thread>

namespace kestrum {

int SoundDevice::openSoundDevice() {
    // There is no MIDI output to count here: no wave-output device means no sound device at all.
    const unsigned devices = waveOut_.deviceCount();
    if (devices == 0)
        return reporter_.fail("NO sound dev found");
    for (unsigned index = 0; index < devices; ++index)
        if (openSndOutDev(static_cast<int>(index)) == 0)
            return 0;
    return 1;
}

int SoundDevice::openSndOutDev(int deviceIndex) {
    if (closeSndOutDev() != 0)
        return 1;
    const int result = waveOut_.open(deviceIndex, playbackFormat_);
    if (result != 0)
        return reporter_.fail("openSndOutDev waveOutOpen failed %d %s", result,
                              waveOut_.errorText(result).c_str());
    return 0;
}

void SoundDevice::unprepareBuffers() {
    for (WaveHeader& header : playBuffers_) {
        if (header.prepared) {
            header.bufferLength = kPlayBufferSize;
            waveOut_.unprepareHeader(header);
        }
    }
}

int SoundDevice::closeSndOutDev() {
    if (!waveOut_.isOpen())
        return 0;
    waveOut_.reset();
    unprepareBuffers();
    const int result = waveOut_.close();
    if (result != 0) {
        reporter_.inform("openSndOutDev waveOutClose failed %d %s", result,
                         waveOut_.errorText(result).c_str());
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return 0;
}

int SoundDevice::reOpenSndOutDev(int speedCode) {
    const bool timerWasRunning = view_ != nullptr && view_->timerEnabled();
    if (view_ != nullptr)
        view_->setTimerEnabled(false);
    if (closeSndOutDev() != 0)
        return 1;

    WaveFormat format = scaledFormat(playbackFormat_, speedCode);
    if (const int refused = waveOut_.queryFormat(format); refused != 0) {
        reporter_.fail(
            "reOpenSndOutDev waveOutOpen failed, Playout using sound device failed. Speed changed. %d %s",
            refused, waveOut_.errorText(refused).c_str());
        format = playbackFormat_;
        if (view_ != nullptr)
            view_->setPlaySpeedPosition(kNormalSpeedPosition);
        if (closeSndOutDev() != 0)
            return 1;
        if (const int again = waveOut_.queryFormat(format); again != 0)
            return reporter_.fail("reOpenSndOutDev waveOutOpen failed again. %d %s", again,
                                  waveOut_.errorText(again).c_str());
    }
    if (closeSndOutDev() != 0)
        return 1;
    if (const int result = waveOut_.open(WaveOut::kWaveMapper, format); result != 0)
        return reporter_.fail("reOpenSndOutDev waveOutOpen error opening output sound device %d %s", result,
                              waveOut_.errorText(result).c_str());
    for (int buffer = 0; buffer < 2; ++buffer) {
        WaveHeader& header = playBuffers_[static_cast<std::size_t>(buffer)];
        if (waveOut_.prepareHeader(header) != 0)
            return reporter_.fail("reOpenSndoutDev waveOutPrepareHeader %d failed", buffer);
        header.done = true;
    }
    if (timerWasRunning)
        view_->setTimerEnabled(true);
    return 0;
}

int SoundDevice::createPlayBuffers() {
    for (int buffer = 0; buffer < 2; ++buffer) {
        WaveHeader& header = playBuffers_[static_cast<std::size_t>(buffer)];
        header = WaveHeader{};
        header.bufferLength = kPlayBufferSize;
        if (waveOut_.prepareHeader(header) != 0)
            return reporter_.fail("waveOutPrepareHeader %d failed", buffer);
        header.done = true;
    }
    return 0;
}

void SoundDevice::releaseSoundDevice() {
    if (!waveOut_.isOpen())
        return;
    waveOut_.reset();
    unprepareBuffers();
    const int result = waveOut_.close();
    if (result != 0)
        reporter_.inform("waveOutClose failed %d %s", result, waveOut_.errorText(result).c_str());
}

} // namespace kestrum

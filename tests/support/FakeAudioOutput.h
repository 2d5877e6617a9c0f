#pragma once

#include "audio/AudioOutput.h"

#include <algorithm>
#include <functional>
#include <set>
#include <vector>

namespace kestrum::test {

// A sound device whose clock is the test: it pulls from its source only when told to.
class FakeAudioOutput : public AudioOutput {
  public:
    unsigned devices = 1;
    std::set<int> failingDevices;         // indices whose open fails (kAnyDevice included)
    std::set<std::uint32_t> refusedRates; // sample rates it cannot play
    std::vector<WaveFormat> opened;       // the format of each open
    std::vector<int> openedIds;

    // Runs before each buffer the device takes: a source that renders ahead on a thread of its
    // own catches up first, as it has time to between a real device's buffers.
    std::function<void()> beforeEachBuffer;
    static constexpr std::size_t kBufferBytes = 256;

    // The device takes `bytes` from its source, a buffer at a time, as it does while running;
    // silence when stopped.
    std::vector<std::uint8_t> pull(std::size_t bytes) {
        std::vector<std::uint8_t> out(bytes, 0x55);
        if (running_ && source_ != nullptr) {
            for (std::size_t at = 0; at < bytes; at += kBufferBytes) {
                if (beforeEachBuffer)
                    beforeEachBuffer();
                source_->fillSound({out.data() + at, std::min(kBufferBytes, bytes - at)});
            }
        } else
            out.assign(bytes, opened.empty() || opened.back().bitsPerSample == 8 ? 0x80 : 0x00);
        return out;
    }

    unsigned deviceCount() override { return devices; }
    int canPlay(const WaveFormat& format) override {
        return refusedRates.count(format.samplesPerSec) ? 32 : 0;
    }
    int open(int deviceIndex, const WaveFormat& format, SoundSource& source) override {
        if (failingDevices.count(deviceIndex) != 0)
            return 2;
        if (const int refused = canPlay(format); refused != 0)
            return refused;
        open_ = true;
        source_ = &source;
        opened.push_back(format);
        openedIds.push_back(deviceIndex);
        return 0;
    }
    bool isOpen() const override { return open_; }
    void setRunning(bool running) override { running_ = open_ && running; }
    bool running() const override { return running_; }
    int close() override {
        open_ = running_ = false;
        return 0;
    }
    std::string errorText(int result) override { return "fake error " + std::to_string(result); }

  private:
    bool open_ = false;
    bool running_ = false;
    SoundSource* source_ = nullptr;
};

} // namespace kestrum::test
